// GrabData's work after the read, split around the script's bitmap.
//
// prepare() does everything that may throw or allocate while no bitmap is
// held: the checks on the frame, the frame buffer's memory for a turned
// frame, the overlay's pixels.  finish() then runs between the acquire and
// the release; it calls neither OpenCV nor the runtime and cannot throw.  It
// orients the frame buffer in one pass with the conversion into the bitmap,
// and orients it just the same when no bitmap of the frame's size is held.
//
// Frames that the pass does not take (not 8-bit, other than 3 or 4
// channels, empty) go the reference way: orientFrame and drawSizeOverlay in
// prepare(), convertBgrToBitmap in finish().
#ifndef VELMORA_FRAMES_FRAME_PASS_H_
#define VELMORA_FRAMES_FRAME_PASS_H_

#include <vector>

#include <opencv2/core/mat.hpp>

#include "extension/runtime_bridge.h"
#include "frames/delivery_settings.h"
#include "frames/kernels/row_kernels.h"
#include "frames/overlay_pixels.h"
#include "frames/pixel_plane.h"

namespace velmora {

class FramePass {
 public:
  // `frameBuffer` holds the frame as read; afterwards it has the frame's final
  // shape.  Its pixels are final once finish() has run.
  static FramePass prepare(cv::Mat& frameBuffer, const DeliverySettings& settings,
                           const kernels::RowKernels& kernels = kernels::rowKernels());

  // `bitmap` is the acquired bitmap's descriptor, or null when none is held.
  // Its pixels are written only when it fits the frame (see frameFitsBitmap).
  // Runs before the next pass is prepared: the overlay's pixels are kept for
  // one frame size at a time.
  void finish(const FREBitmapData2* bitmap) const noexcept;

 private:
  explicit FramePass(const kernels::RowKernels& kernels) : kernels_(kernels) {}
  bool fits(const FREBitmapData2& bitmap) const;

  const kernels::RowKernels& kernels_;
  bool fused_ = false;        // false: the frame is already oriented, only copy it
  bool convertible_ = false;  // an 8-bit frame of at least 3 channels
  bool rotate_ = false;
  int32_t flipCode_ = 0;
  PixelPlane raw_;
  PixelPlane out_;
  const std::vector<OverlayPixel>* overlay_ = nullptr;
  // Keeps the frame as read alive through finish() when rotating.
  cv::Mat rawHolder_;
};

}  // namespace velmora

#endif  // VELMORA_FRAMES_FRAME_PASS_H_
