#include "frames/overlay_pixels.h"

#include <algorithm>
#include <cstring>

#include <opencv2/core.hpp>

#include "frames/frame_transforms.h"

namespace velmora {

namespace {

// Room kept around the text's measured box.  Hershey strokes stay within a
// few pixels of it; with this margin the canvas edge never cuts a stroke, so
// a canvas cut down to the text draws the same pixels as the whole frame.
constexpr int kMargin = 24;

struct CachedOverlay {
  int rows = -1;
  int cols = -1;
  std::vector<OverlayPixel> pixels;
};

CachedOverlay& cache() {
  static CachedOverlay overlay;
  return overlay;
}

std::vector<OverlayPixel> drawPixels(int rows, int cols) {
  int baseline = 0;
  const cv::Size text = sizeOverlayTextSize(cols, rows, &baseline);
  const cv::Point origin = sizeOverlayOrigin();
  const int canvasRows = std::min(rows, origin.y + baseline + kMargin);
  const int canvasCols = std::min(cols, origin.x + text.width + kMargin);
  std::vector<OverlayPixel> pixels;
  if (canvasRows <= 0 || canvasCols <= 0) return pixels;

  cv::Mat canvas(canvasRows, canvasCols, CV_8UC3, cv::Scalar::all(0));
  drawSizeOverlayText(canvas, cols, rows);
  for (int r = 0; r < canvasRows; ++r) {
    const cv::Vec3b* row = canvas.ptr<cv::Vec3b>(r);
    for (int c = 0; c < canvasCols; ++c) {
      if (row[c][1] != 0) pixels.push_back({r, c});
    }
  }
  return pixels;
}

}  // namespace

const std::vector<OverlayPixel>& overlayPixels(int rows, int cols) {
  CachedOverlay& overlay = cache();
  if (overlay.rows != rows || overlay.cols != cols) {
    overlay.pixels = drawPixels(rows, cols);
    overlay.rows = rows;
    overlay.cols = cols;
  }
  return overlay.pixels;
}

void stampOverlay(const std::vector<OverlayPixel>& pixels, const PixelPlane& frame,
                  const BitmapRows& bitmap) noexcept {
  static constexpr uint8_t kGreen[4] = {0, 255, 0, 255};
  const size_t frameBytes = static_cast<size_t>(frame.channels);
  for (const OverlayPixel& p : pixels) {
    std::memcpy(frame.row(p.row) + static_cast<ptrdiff_t>(p.col) * frame.channels, kGreen,
                frameBytes);
    if (bitmap.data != nullptr) std::memcpy(bitmap.row(p.row) + 4 * p.col, kGreen, 4);
  }
}

}  // namespace velmora
