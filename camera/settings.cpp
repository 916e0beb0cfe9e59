// The capture settings: size, rotation, flip code, overlay and white balance.
#include <opencv2/core.hpp>

#include "camera/camera_state.h"
#include "extension/argument_reader.h"
#include "extension/call_boundary.h"

namespace {

constexpr int kFrameWidthProperty = 3;
constexpr int kFrameHeightProperty = 4;
constexpr int kWhiteBalanceProperty = 8003;
constexpr int32_t kWhiteBalanceModes = 8;

}  // namespace

extern "C" {

FREObject SetCamInfo(FREContext, void*, uint32_t argc, FREObject argv[]) {
  return velmora::containExceptions([&] {
    const velmora::ArgumentReader args(argc, argv);
    // Converted in position order.  A setting whose argument is missing or
    // does not convert keeps its current value.
    int32_t width = 0;
    int32_t height = 0;
    double rotation = 0.0;
    int32_t flip = 0;
    int32_t overlay = 0;
    const bool hasWidth = args.int32(0, &width);
    const bool hasHeight = args.int32(1, &height);
    const bool hasRotation = args.float64(2, &rotation);
    const bool hasFlip = args.int32(3, &flip);
    const bool hasOverlay = args.int32(4, &overlay);

    // An ordered comparison: 0.0, -0.0, negatives and NaN all switch it off.
    if (hasRotation) mRotation = rotation > 0.0;
    if (hasFlip) mFlip = flip;
    if (hasOverlay) mDebugModel = overlay > 0;

    if (!mCamIsRunning || !hasWidth || !hasHeight) return;
    mCamera.set(kFrameWidthProperty, static_cast<double>(width));
    mCamera.set(kFrameHeightProperty, static_cast<double>(height));
    mCameraWidth = static_cast<double>(width);
    mCameraHeight = static_cast<double>(height);
  });
}

FREObject SetCamWhiteBalance(FREContext, void*, uint32_t argc, FREObject argv[]) {
  return velmora::containExceptions([&] {
    if (!mCamIsRunning) return;
    int32_t mode = -1;
    if (!velmora::ArgumentReader(argc, argv).int32(0, &mode)) return;
    if (mode < 0 || mode >= kWhiteBalanceModes) return;
    try {
      mCamera.set(kWhiteBalanceProperty, static_cast<double>(mode));
    } catch (const cv::Exception&) {
      // The device may not support white balance; the script asked for a
      // preference, not a guarantee.
    }
  });
}

}  // extern "C"
