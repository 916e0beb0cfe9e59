#include "frames/frame_buffer_pair.h"

namespace velmora {

namespace {

// Which half of a two-frame allocation `frame` is (0 top, 1 bottom), or -1.
int halfOfPair(const cv::Mat& frame) {
  if (frame.empty() || frame.dims != 2 || !frame.isContinuous()) return -1;
  cv::Size whole;
  cv::Point offset;
  frame.locateROI(whole, offset);
  if (offset.x != 0 || whole.width != frame.cols || whole.height != 2 * frame.rows) return -1;
  if (offset.y == 0) return 0;
  if (offset.y == frame.rows) return 1;
  return -1;
}

}  // namespace

void readIntoFrameBuffer(cv::VideoCapture& capture, cv::Mat& frameBuffer, bool rotate) {
  if (!capture.grab()) {
    frameBuffer.release();
    return;
  }
  cv::Mat landing;
  if (halfOfPair(frameBuffer) < 0) {
    landing = frameBuffer;
  } else if (rotate) {
    // The buffer shows the last frame turned; the next frame arrives unturned.
    landing = frameBuffer.reshape(0, frameBuffer.cols);
  }
  // Without rotation a pair goes back to a single frame: the capture
  // allocates one for the empty landing.
  if (capture.retrieve(landing)) frameBuffer = landing;
}

cv::Mat takeRotationHalves(cv::Mat& frameBuffer) {
  const int rows = frameBuffer.rows;
  const int cols = frameBuffer.cols;
  const int half = halfOfPair(frameBuffer);
  cv::Mat raw;
  cv::Mat turned;
  if (half >= 0) {
    raw = frameBuffer;
    turned = frameBuffer;
    if (half == 0) {
      turned.adjustROI(-rows, rows, 0, 0);
    } else {
      turned.adjustROI(rows, -rows, 0, 0);
    }
  } else {
    const cv::Mat pair(2 * rows, cols, frameBuffer.type());
    raw = pair.rowRange(0, rows);
    frameBuffer.copyTo(raw);
    turned = pair.rowRange(rows, 2 * rows);
  }
  frameBuffer = turned.reshape(0, cols);
  return raw;
}

}  // namespace velmora
