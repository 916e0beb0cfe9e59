#include "frames/reference_delivery.h"

#include "frames/bitmap_transfer.h"
#include "frames/frame_transforms.h"

namespace velmora {

void deliverFrameReference(cv::Mat& frameBuffer, const DeliverySettings& settings,
                           const FREBitmapData2* bitmap) {
  orientFrame(frameBuffer, settings.rotate, settings.flipCode);
  if (settings.overlay) drawSizeOverlay(frameBuffer);
  if (bitmap != nullptr) copyFrameToBitmap(frameBuffer, *bitmap);
}

}  // namespace velmora
