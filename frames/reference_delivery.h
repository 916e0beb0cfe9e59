// The plain sequence of GrabData after the read: OpenCV's transpose and flips
// on the frame buffer, putText for the overlay, then the per-pixel copy.  It
// is what the fused pass (frame_pass.h) must equal, pixel for pixel, in the
// frame buffer and in the bitmap.
#ifndef VELMORA_FRAMES_REFERENCE_DELIVERY_H_
#define VELMORA_FRAMES_REFERENCE_DELIVERY_H_

#include <opencv2/core/mat.hpp>

#include "extension/runtime_bridge.h"
#include "frames/delivery_settings.h"

namespace velmora {

// `bitmap` is an acquired bitmap's descriptor, or null when none is held.
void deliverFrameReference(cv::Mat& frameBuffer, const DeliverySettings& settings,
                           const FREBitmapData2* bitmap);

}  // namespace velmora

#endif  // VELMORA_FRAMES_REFERENCE_DELIVERY_H_
