// The virtual camera's settings, read from VELMORA_VCAM_* environment
// variables when the library is first used (README.md lists them).
#ifndef VELMORA_VIRTUAL_CAMERA_CONFIG_H_
#define VELMORA_VIRTUAL_CAMERA_CONFIG_H_

#include <cstdint>

#include "virtual_camera/faults.h"
#include "virtual_camera/frame_format.h"
#include "virtual_camera/frame_patterns.h"

namespace velmora::vcam {

constexpr int kMaxDevices = 16;

struct Config {
  int devices = 1;
  FrameFormat format;
  Pattern pattern = Pattern::kGradient;
  // Frames per second a device paces delivery at; 0 delivers a frame
  // whenever one is asked for.
  std::uint32_t fps = 0;
  Faults faults[kMaxDevices];
};

constexpr std::uint32_t kMaxFps = 240;

// Reads the environment.  A malformed value is reported on stderr and
// ignored, so that a typo shows up in the test log rather than as a
// puzzling device.
Config config_from_environment();

}  // namespace velmora::vcam

#endif  // VELMORA_VIRTUAL_CAMERA_CONFIG_H_
