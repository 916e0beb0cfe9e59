// Opening and closing the camera, and reporting the outcome of an open.
#include <android/log.h>

#include "camera/camera_state.h"
#include "camera/preview_sizes.h"
#include "extension/argument_reader.h"
#include "extension/call_boundary.h"

namespace {

constexpr char kEventCreated[] = "NativeCamEventCreated";
constexpr char kEventError[] = "NativeCamEventError";
constexpr char kLevelError[] = "Error";
constexpr char kLevelNoPreviewSizes[] = "NULL";
constexpr char kLogTag[] = "CameraTestLog_";

const uint8_t* text(const char* s) { return reinterpret_cast<const uint8_t*>(s); }

// Opens camera `index`; a capture that throws while opening counts as a
// camera that did not open.
bool openCamera(int32_t index) {
  try {
    mCamera.open(index);
    return mCamera.isOpened();
  } catch (...) {
    return false;
  }
}

// Releasing must not stop the close from completing, nor an open's report
// from reaching the script.
void releaseCapture() {
  try {
    mCamera.release();
  } catch (...) {
  }
}

const char* previewSizesLevel() {
  try {
    const char* sizes = velmora::previewSizesText(mCamera);
    return sizes != nullptr ? sizes : kLevelNoPreviewSizes;
  } catch (...) {
    return kLevelNoPreviewSizes;
  }
}

}  // namespace

extern "C" {

void releaseCam() {
  if (mCamIsRunning) releaseCapture();
  mCamIsRunning = false;
}

FREObject InitCam(FREContext ctx, void*, uint32_t argc, FREObject argv[]) {
  return velmora::containExceptions([&] {
    // An index the runtime cannot convert opens the first camera.
    int32_t index = 0;
    velmora::ArgumentReader(argc, argv).int32(0, &index);

    releaseCam();
    const char* code = kEventCreated;
    const char* level = nullptr;
    if (openCamera(index)) {
      mCamIsRunning = true;
      level = previewSizesLevel();
    } else {
      releaseCapture();
      __android_log_print(ANDROID_LOG_INFO, kLogTag, "Error! cameraID=%d cannt open device!!",
                          index);
      code = kEventError;
      level = kLevelError;
    }
    FREDispatchStatusEventAsync(ctx, text(code), text(level));
  });
}

FREObject ReleaseCam(FREContext, void*, uint32_t, FREObject[]) {
  return velmora::containExceptions([] {
    releaseCam();
    mCameraBitmapdata.release();
    mCameraWidth = 0.0;
    mCameraHeight = 0.0;
  });
}

}  // extern "C"
