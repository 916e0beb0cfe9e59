#include "frames/frame_pass.h"

#include "frames/bitmap_transfer.h"
#include "frames/frame_buffer_pair.h"
#include "frames/frame_transforms.h"
#include "frames/orient_convert.h"

namespace velmora {

namespace {

PixelPlane planeOf(const cv::Mat& frame) {
  return {frame.data, static_cast<ptrdiff_t>(frame.step[0]), frame.rows, frame.cols,
          frame.channels()};
}

bool takenByPass(const cv::Mat& frame) {
  return !frame.empty() && frame.dims == 2 && frame.depth() == CV_8U &&
         (frame.channels() == 3 || frame.channels() == 4);
}

}  // namespace

FramePass FramePass::prepare(cv::Mat& frameBuffer, const DeliverySettings& settings,
                             const kernels::RowKernels& kernels) {
  FramePass pass(kernels);
  if (!takenByPass(frameBuffer)) {
    orientFrame(frameBuffer, settings.rotate, settings.flipCode);
    if (settings.overlay) drawSizeOverlay(frameBuffer);
    pass.convertible_ = !frameBuffer.empty() && frameBuffer.dims == 2 &&
                        frameBuffer.depth() == CV_8U && frameBuffer.channels() >= 3;
    pass.out_ = planeOf(frameBuffer);
    return pass;
  }
  pass.fused_ = true;
  pass.convertible_ = true;
  pass.rotate_ = settings.rotate;
  pass.flipCode_ = settings.flipCode;
  // The overlay, which may allocate and so throw, comes first: once the
  // frame buffer shows the half a turned frame goes to, nothing may stop the
  // pass from filling it.
  if (settings.overlay) {
    pass.overlay_ = settings.rotate ? &overlayPixels(frameBuffer.cols, frameBuffer.rows)
                                    : &overlayPixels(frameBuffer.rows, frameBuffer.cols);
  }
  if (settings.rotate) {
    pass.rawHolder_ = takeRotationHalves(frameBuffer);
    pass.raw_ = planeOf(pass.rawHolder_);
  } else {
    pass.raw_ = planeOf(frameBuffer);
  }
  pass.out_ = planeOf(frameBuffer);
  return pass;
}

bool FramePass::fits(const FREBitmapData2& bitmap) const {
  return convertible_ && static_cast<int64_t>(bitmap.width) == out_.cols &&
         static_cast<int64_t>(bitmap.height) == out_.rows && bitmap.lineStride32 >= bitmap.width &&
         bitmap.bits32 != nullptr;
}

void FramePass::finish(const FREBitmapData2* bitmap) const noexcept {
  const bool fits = bitmap != nullptr && this->fits(*bitmap);
  if (!fused_) {
    if (fits) {
      convertBgrToBitmap(out_.data, static_cast<size_t>(out_.step), out_.channels, bitmap->bits32,
                         bitmap->lineStride32, bitmap->width, bitmap->height);
    }
    return;
  }
  BitmapRows rows;
  if (fits) {
    rows.data = reinterpret_cast<uint8_t*>(bitmap->bits32);
    rows.step = static_cast<ptrdiff_t>(bitmap->lineStride32) * 4;
  }
  orientAndConvert(raw_, out_, rotate_, flipCode_, rows, kernels_);
  if (overlay_ != nullptr) stampOverlay(*overlay_, out_, rows);
}

}  // namespace velmora
