// How often each ioctl request reached one device, for the control
// interface: tests use it to see what a client asked of the device.
#ifndef VELMORA_VIRTUAL_CAMERA_IOCTL_COUNTER_H_
#define VELMORA_VIRTUAL_CAMERA_IOCTL_COUNTER_H_

#include <cstdint>

namespace velmora::vcam {

class IoctlCounter {
 public:
  void count(std::uint32_t request);
  std::uint64_t calls(std::uint32_t request) const;

 private:
  // A capture client uses about a dozen distinct requests; further new ones
  // past this many are not counted.
  static constexpr int kSlots = 48;
  struct Slot {
    std::uint32_t request = 0;
    std::uint64_t calls = 0;
  };
  Slot slots_[kSlots];
};

}  // namespace velmora::vcam

#endif  // VELMORA_VIRTUAL_CAMERA_IOCTL_COUNTER_H_
