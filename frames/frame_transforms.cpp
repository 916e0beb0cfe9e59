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

namespace {

constexpr int kOverlayFont = cv::FONT_HERSHEY_COMPLEX_SMALL;
constexpr double kOverlayScale = 1.0;
constexpr int kOverlayThickness = 1;

struct SizeText {
  char text[256];
  SizeText(int cols, int rows) {
    std::snprintf(text, sizeof text, "Display performance: %d x %d ", cols, rows);
  }
};

}  // namespace

void drawSizeOverlay(cv::Mat& frame) { drawSizeOverlayText(frame, frame.cols, frame.rows); }

void drawSizeOverlayText(cv::Mat& canvas, int cols, int rows) {
  const SizeText size(cols, rows);
  cv::putText(canvas, size.text, sizeOverlayOrigin(), kOverlayFont, kOverlayScale,
              cv::Scalar(0, 255, 0, 255), kOverlayThickness, cv::LINE_8, false);
}

cv::Size sizeOverlayTextSize(int cols, int rows, int* baseline) {
  const SizeText size(cols, rows);
  return cv::getTextSize(size.text, kOverlayFont, kOverlayScale, kOverlayThickness, baseline);
}

}  // namespace velmora
