// What a frame of the virtual camera's gradient pattern looks like after the
// extension has turned and flipped it, computed from the documented pattern
// and the documented orientation rules alone.
#ifndef VELMORA_TESTS_SUPPORT_ORIENTED_PATTERN_H_
#define VELMORA_TESTS_SUPPORT_ORIENTED_PATTERN_H_

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>

#include <opencv2/core.hpp>

#include "host/host.h"

namespace velmora::testing {

struct Orientation {
  bool rotate;
  int32_t flip;
};

inline std::string describe(const Orientation& o) {
  return std::string(o.rotate ? "rotated" : "upright") + ", flip " + std::to_string(o.flip);
}

inline void PrintTo(const Orientation& o, std::ostream* out) { *out << describe(o); }

// The input pixel (row, column) that output pixel (i, j) shows, for an input
// of `height` rows and `width` columns.
inline cv::Point2i sourceOf(const Orientation& o, int i, int j, int height, int width) {
  int row = 0;
  int column = 0;
  if (!o.rotate) {
    row = o.flip > 0 ? i : height - 1 - i;
    column = o.flip == 0 ? j : width - 1 - j;
  } else if (o.flip == 0) {
    row = height - 1 - j;
    column = width - 1 - i;
  } else {
    row = j;
    column = o.flip > 0 ? i : width - 1 - i;
  }
  return {column, row};
}

// The oriented frame number `frame` of a `width` x `height` capture.
inline cv::Mat orientedPattern(const Orientation& o, int width, int height, uint64_t frame) {
  const int rows = o.rotate ? width : height;
  const int cols = o.rotate ? height : width;
  cv::Mat out(rows, cols, CV_8UC3);
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < cols; ++j) {
      const cv::Point2i source = sourceOf(o, i, j, height, width);
      out.at<cv::Vec3b>(i, j) =
          cv::Vec3b(uint8_t(source.x % 256), uint8_t(source.y % 256), uint8_t(frame % 256));
    }
  }
  return out;
}

// The opaque bitmap word a B, G, R pixel becomes (bytes B, G, R, 255).
inline uint32_t bitmapWord(const cv::Vec3b& bgr) {
  return 0xff000000u | uint32_t(bgr[2]) << 16 | uint32_t(bgr[1]) << 8 | bgr[0];
}

// The first pixel where `bitmap` differs from `frame`, as text; "" when the
// bitmap shows exactly the frame.
inline std::string firstDifference(const host::Bitmap& bitmap, const cv::Mat& frame) {
  if (int(bitmap.width()) != frame.cols || int(bitmap.height()) != frame.rows) {
    return "sizes differ";
  }
  for (int i = 0; i < frame.rows; ++i) {
    for (int j = 0; j < frame.cols; ++j) {
      const uint32_t expected = bitmapWord(frame.at<cv::Vec3b>(i, j));
      const uint32_t actual = bitmap.at(uint32_t(j), uint32_t(i));
      if (actual != expected) {
        char text[96];
        std::snprintf(text, sizeof text, "row %d column %d: 0x%08x, expected 0x%08x", i, j, actual,
                      expected);
        return text;
      }
    }
  }
  return "";
}

}  // namespace velmora::testing

#endif  // VELMORA_TESTS_SUPPORT_ORIENTED_PATTERN_H_
