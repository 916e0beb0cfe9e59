// Which paths name a virtual device.
#ifndef VELMORA_VIRTUAL_CAMERA_DEVICE_PATH_H_
#define VELMORA_VIRTUAL_CAMERA_DEVICE_PATH_H_

namespace velmora::vcam {

// True when `path` is exactly "/dev/video<N>" (N in decimal, no sign, no
// leading zero) and stores N in `index`.  It runs on every open() in the
// process, so it touches nothing but the string: no locale, no allocation,
// no C library call a sanitizer might intercept.
bool parse_device_path(const char* path, int* index);

}  // namespace velmora::vcam

#endif  // VELMORA_VIRTUAL_CAMERA_DEVICE_PATH_H_
