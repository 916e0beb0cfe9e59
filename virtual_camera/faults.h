// Failures a device can be told to show, from the environment or through
// the control interface.
#ifndef VELMORA_VIRTUAL_CAMERA_FAULTS_H_
#define VELMORA_VIRTUAL_CAMERA_FAULTS_H_

#include <cstdint>
#include <limits>

#include "virtual_camera/frame_format.h"

namespace velmora::vcam {

constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();

struct Faults {
  // open() fails with EIO: the node exists but the device does not answer.
  bool open_fails = false;
  // Once the device has served this many frames (in its lifetime, over all
  // opens) it disappears, as when unplugged: every call on an open
  // descriptor fails with ENODEV and open() with ENOENT until cleared.
  std::uint64_t disconnect_at = kNever;
  // Once it has served this many frames no further frame becomes ready:
  // DQBUF answers EAGAIN and the descriptor never becomes readable.
  std::uint64_t stall_at = kNever;
  // S_FMT and TRY_FMT clamp sizes to this instead of the hardware's limit.
  SizeLimits limits;
};

}  // namespace velmora::vcam

#endif  // VELMORA_VIRTUAL_CAMERA_FAULTS_H_
