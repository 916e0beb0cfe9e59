#include <opencv2/videoio.hpp>

#include "camera/camera_state.h"
#include "extension/argument_reader.h"
#include "extension/call_boundary.h"
#include "frames/bitmap_transfer.h"
#include "frames/frame_delivery.h"
#include "frames/frame_transforms.h"

extern "C" {

FREObject GrabData(FREContext, void*, uint32_t argc, FREObject argv[]) {
  return velmora::containExceptions([&] {
    if (!mCamIsRunning) return;
    // All OpenCV work ends before the bitmap is acquired, so an exception
    // from the capture or the drawing can never leave the bitmap acquired.
    mCamera >> mCameraBitmapdata;
    velmora::orientFrame(mCameraBitmapdata, mRotation, mFlip);
    if (mDebugModel) velmora::drawSizeOverlay(mCameraBitmapdata);
    const velmora::ArgumentReader args(argc, argv);
    if (!args.has(0)) return;
    velmora::transferFrameToBitmap(mCameraBitmapdata, args.object(0));
  });
}

}  // extern "C"
