#include "frames/frame_transforms.h"

#include <cstdio>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace velmora {

void orientFrame(cv::Mat& frame, bool rotate, int32_t flipCode) {
  if (rotate) {
    frame = frame.t();
    cv::flip(frame, frame, 1);
  }
  cv::flip(frame, frame, flipCode);
}

void drawSizeOverlay(cv::Mat& frame) {
  char text[256];
  std::snprintf(text, sizeof text, "Display performance: %d x %d ", frame.cols, frame.rows);
  cv::putText(frame, text, cv::Point(8, 64), cv::FONT_HERSHEY_COMPLEX_SMALL, 1.0,
              cv::Scalar(0, 255, 0, 255), 1, cv::LINE_8, false);
}

}  // namespace velmora
