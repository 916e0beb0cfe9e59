#include "camera/camera_state.h"

// Constructed in this order when the library loads and destroyed in reverse
// (frame buffer first) when it unloads.
cv::VideoCapture mCamera;
cv::Mat mCameraBitmapdata;

bool mCamIsRunning = false;
bool mRotation = false;
bool mDebugModel = false;
int32_t mFlip = 0;
double mCameraWidth = 0.0;
double mCameraHeight = 0.0;
