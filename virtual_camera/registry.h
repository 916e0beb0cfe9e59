// Every virtual device and every descriptor open on one, behind one mutex.
//
// The libc wrappers and the control interface reach the devices only
// through this file.  Calls on descriptors that are not a virtual device's
// cost one atomic load while no device is open, and nothing here calls a
// wrapped function or waits while holding the lock: a blocking VIDIOC_DQBUF
// waits for its descriptor with the lock released.
#ifndef VELMORA_VIRTUAL_CAMERA_REGISTRY_H_
#define VELMORA_VIRTUAL_CAMERA_REGISTRY_H_

#include <cstddef>
#include <mutex>

#include "virtual_camera/device.h"

namespace velmora::vcam {

// open() of "/dev/video<index>".  False if there is no such virtual device,
// and the C library should open the path.  Otherwise true, with the new
// descriptor in `*fd`, or -1 and errno set.
bool open_device(int index, int flags, int* fd);

// ioctl() and mmap() on descriptor `fd`: false if `fd` is not a virtual
// device's, else true with the call's return value in `*result` (errno set
// on failure).
bool device_ioctl(int fd, unsigned long request, void* arg, int* result);
bool device_mmap(void* addr, std::size_t length, int prot, int flags, int fd, long long offset,
                 void** result);

// close(): called before the C library closes `fd`, so that a descriptor
// number the kernel hands out again is never mistaken for a device.
void forget_descriptor(int fd);

// For the control interface.
int device_count();
int open_descriptors(int index);
std::mutex& registry_mutex();
// Device `index`, or null if there is none; the lock must be held.
Device* configured_device(int index);

// Runs `fn` on device `index` under the lock; false if there is no such
// device.
template <typename Fn>
bool with_device(int index, Fn&& fn) {
  std::lock_guard<std::mutex> lock(registry_mutex());
  Device* device = configured_device(index);
  if (device == nullptr) return false;
  fn(*device);
  return true;
}

}  // namespace velmora::vcam

#endif  // VELMORA_VIRTUAL_CAMERA_REGISTRY_H_
