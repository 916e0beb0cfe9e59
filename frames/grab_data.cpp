#include <opencv2/videoio.hpp>

#include "camera/camera_state.h"
#include "extension/argument_reader.h"
#include "extension/call_boundary.h"
#include "frames/frame_buffer_pair.h"
#include "frames/frame_delivery.h"
#include "frames/frame_pass.h"

namespace {

// The frame goes to the bitmap between one acquire and one release, with
// nothing but the pass in between.  A bitmap that cannot be acquired is not
// released; the frame buffer is oriented all the same.
void deliverFrame(cv::Mat& frameBuffer, const velmora::DeliverySettings& settings,
                  const FREObject* bitmap) {
  const velmora::FramePass pass = velmora::FramePass::prepare(frameBuffer, settings);
  FREBitmapData2 descriptor{};
  if (bitmap == nullptr || FREAcquireBitmapData2(*bitmap, &descriptor) != FRE_OK) {
    pass.finish(nullptr);
    return;
  }
  pass.finish(&descriptor);
  FREReleaseBitmapData(*bitmap);
}

}  // namespace

extern "C" {

FREObject GrabData(FREContext, void*, uint32_t argc, FREObject argv[]) {
  return velmora::containExceptions([&] {
    if (!mCamIsRunning) return;
    const velmora::DeliverySettings settings{mRotation, mFlip, mDebugModel};
    // All OpenCV work ends before the bitmap is acquired (see FramePass), so
    // an exception from the capture or the drawing can never leave the
    // bitmap acquired.
    velmora::readIntoFrameBuffer(mCamera, mCameraBitmapdata, settings.rotate);
    const velmora::ArgumentReader args(argc, argv);
    const FREObject bitmap = args.object(0);
    deliverFrame(mCameraBitmapdata, settings, args.has(0) ? &bitmap : nullptr);
  });
}

}  // extern "C"
