#include "virtual_camera/ioctl_counter.h"

namespace velmora::vcam {

void IoctlCounter::count(std::uint32_t request) {
  for (Slot& slot : slots_) {
    if (slot.calls == 0) slot.request = request;
    if (slot.request == request) {
      ++slot.calls;
      return;
    }
  }
}

std::uint64_t IoctlCounter::calls(std::uint32_t request) const {
  for (const Slot& slot : slots_) {
    if (slot.calls != 0 && slot.request == request) return slot.calls;
  }
  return 0;
}

}  // namespace velmora::vcam
