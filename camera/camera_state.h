// The one camera of the process: the capture object, its switches, the size
// last applied to it and the frame buffer, shared by every extension context.
// The state is either closed (mCamIsRunning false, capture not open) or
// running (mCamIsRunning true, capture open).  It is exported under these
// plain names; the runtime calls the functions below one at a time on the
// script's thread, so nothing here is locked.
#ifndef VELMORA_CAMERA_CAMERA_STATE_H_
#define VELMORA_CAMERA_CAMERA_STATE_H_

#include <cstdint>

#include <opencv2/core/mat.hpp>
#include <opencv2/videoio.hpp>

#include "extension/export.h"
#include "extension/runtime_bridge.h"

extern "C" {

VELMORA_EXPORT extern cv::VideoCapture mCamera;
VELMORA_EXPORT extern bool mCamIsRunning;
VELMORA_EXPORT extern bool mRotation;
VELMORA_EXPORT extern bool mDebugModel;
VELMORA_EXPORT extern int32_t mFlip;
// The size last requested from a running camera; recorded, never read back.
VELMORA_EXPORT extern double mCameraWidth;
VELMORA_EXPORT extern double mCameraHeight;
// The frame buffer: 8-bit blue, green, red, top row first.  After a grab it
// holds the frame exactly as it went to the script's bitmap.
VELMORA_EXPORT extern cv::Mat mCameraBitmapdata;

// Closes the camera if one is running and clears mCamIsRunning.
VELMORA_EXPORT void releaseCam();

// Extension functions (see the function table).
VELMORA_EXPORT FREObject InitCam(FREContext ctx, void* functionData, uint32_t argc,
                                 FREObject argv[]);
VELMORA_EXPORT FREObject ReleaseCam(FREContext ctx, void* functionData, uint32_t argc,
                                    FREObject argv[]);
VELMORA_EXPORT FREObject SetCamInfo(FREContext ctx, void* functionData, uint32_t argc,
                                    FREObject argv[]);
VELMORA_EXPORT FREObject SetCamWhiteBalance(FREContext ctx, void* functionData, uint32_t argc,
                                            FREObject argv[]);
}

#endif  // VELMORA_CAMERA_CAMERA_STATE_H_
