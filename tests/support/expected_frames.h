// Frames of the virtual camera's gradient pattern as OpenCV should deliver
// them, built pixel by pixel from virtual_camera/test_pattern.h, and a
// comparison that names the first pixel that differs.
#ifndef VELMORA_TESTS_SUPPORT_EXPECTED_FRAMES_H_
#define VELMORA_TESTS_SUPPORT_EXPECTED_FRAMES_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include <opencv2/core.hpp>

#include "virtual_camera/test_pattern.h"

namespace velmora::testing {

inline cv::Mat gradient_bgr_frame(cv::Size size, std::uint64_t frame) {
  cv::Mat image(size, CV_8UC3);
  for (int y = 0; y < size.height; ++y) {
    for (int x = 0; x < size.width; ++x) {
      const auto p = vcam::test_pattern::gradient_bgr(x, y, frame);
      image.at<cv::Vec3b>(y, x) = cv::Vec3b(p.b, p.g, p.r);
    }
  }
  return image;
}

// The raw YUYV bytes, two per pixel.
inline cv::Mat gradient_yuyv_frame(cv::Size size, std::uint64_t frame) {
  cv::Mat image(size, CV_8UC2);
  for (int y = 0; y < size.height; ++y) {
    for (int x = 0; x < size.width; ++x) {
      const auto p = vcam::test_pattern::gradient_yuyv(x, y, frame);
      image.at<cv::Vec2b>(y, x) = cv::Vec2b(p.luma, p.chroma);
    }
  }
  return image;
}

inline ::testing::AssertionResult same_pixels(const cv::Mat& actual, const cv::Mat& expected) {
  if (actual.size() != expected.size() || actual.type() != expected.type()) {
    return ::testing::AssertionFailure()
           << "got " << actual.cols << "x" << actual.rows << " of type " << actual.type()
           << ", expected " << expected.cols << "x" << expected.rows << " of type "
           << expected.type();
  }
  cv::Mat differs;
  cv::compare(actual.reshape(1), expected.reshape(1), differs, cv::CMP_NE);
  const int count = cv::countNonZero(differs);
  if (count == 0) return ::testing::AssertionSuccess();
  std::vector<cv::Point> where;
  cv::findNonZero(differs, where);
  const cv::Point at = where.front();
  const int channels = actual.channels();
  return ::testing::AssertionFailure()
         << count << " bytes differ; the first is channel " << at.x % channels << " of pixel ("
         << at.x / channels << ", " << at.y << "): " << int{actual.reshape(1).at<std::uint8_t>(at)}
         << " instead of " << int{expected.reshape(1).at<std::uint8_t>(at)};
}

}  // namespace velmora::testing

#endif  // VELMORA_TESTS_SUPPORT_EXPECTED_FRAMES_H_
