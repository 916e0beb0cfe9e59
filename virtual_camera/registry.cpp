#include "virtual_camera/registry.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/timerfd.h>

#include <atomic>
#include <type_traits>

#include "virtual_camera/config.h"

namespace velmora::vcam {
namespace {

constexpr int kMaxHandles = 64;

struct Handle {
  int fd = -1;
  int device = -1;
  // The device's generation when opened; see Device::generation().
  std::uint32_t generation = 0;
};

struct Registry {
  std::mutex mutex;
  // Read without the lock, to let calls on other descriptors through.
  std::atomic<int> open_handles{0};
  bool configured = false;
  int device_count = 0;
  Device devices[kMaxDevices];
  Handle handles[kMaxHandles];
};

// Constant-initialised and never destroyed: wrappers run before any
// constructor of this library and after every destructor at exit.
Registry g_registry;
static_assert(std::is_trivially_destructible_v<Registry>);

void ensure_configured() {
  if (g_registry.configured) return;
  const Config config = config_from_environment();
  g_registry.device_count = config.devices;
  for (int i = 0; i < config.devices; ++i) g_registry.devices[i].configure(i, config);
  g_registry.configured = true;
}

Handle* find_handle(int fd) {
  for (Handle& handle : g_registry.handles) {
    if (handle.fd == fd) return &handle;
  }
  return nullptr;
}

bool may_be_device(int fd) {
  return fd >= 0 && g_registry.open_handles.load(std::memory_order_acquire) > 0;
}

// True while the device the descriptor was opened on is still there.
bool alive(const Handle& handle) {
  return g_registry.devices[handle.device].generation() == handle.generation;
}

bool blocking(int fd) { return (fcntl(fd, F_GETFL) & O_NONBLOCK) == 0; }

// Waits, without the lock, until `fd` is readable; false if interrupted.
bool wait_readable(int fd) {
  pollfd entry{fd, POLLIN, 0};
  return poll(&entry, 1, -1) >= 0;
}

}  // namespace

bool open_device(int index, int flags, int* fd) {
  std::lock_guard<std::mutex> lock(g_registry.mutex);
  ensure_configured();
  if (index >= g_registry.device_count) return false;
  Device& device = g_registry.devices[index];
  int err = device.open_error();
  Handle* slot = err == 0 ? find_handle(-1) : nullptr;
  if (err == 0 && slot == nullptr) err = EMFILE;
  int timer = -1;
  if (err == 0) {
    // A real kernel descriptor, so that select() and poll() work on it.
    timer = timerfd_create(CLOCK_MONOTONIC, ((flags & O_NONBLOCK) ? TFD_NONBLOCK : 0) |
                                                ((flags & O_CLOEXEC) ? TFD_CLOEXEC : 0));
    if (timer < 0) err = errno;
  }
  if (err != 0) {
    errno = err;
    *fd = -1;
    return true;
  }
  *slot = Handle{timer, index, device.generation()};
  g_registry.open_handles.fetch_add(1, std::memory_order_release);
  *fd = timer;
  return true;
}

bool device_ioctl(int fd, unsigned long request, void* arg, int* result) {
  if (!may_be_device(fd)) return false;
  // The kernel takes the request as 32 bits, whatever the caller widened it
  // to (sign-extended, in code that passes it as an int).
  const auto code = static_cast<std::uint32_t>(request);
  std::unique_lock<std::mutex> lock(g_registry.mutex);
  Handle* handle = find_handle(fd);
  if (handle == nullptr) return false;
  int err = 0;
  for (;;) {
    err = alive(*handle) ? g_registry.devices[handle->device].ioctl(fd, code, arg) : ENODEV;
    if (err != EAGAIN || code != VIDIOC_DQBUF || !blocking(fd)) break;
    lock.unlock();
    const bool woken = wait_readable(fd);
    lock.lock();
    handle = find_handle(fd);
    if (!woken || handle == nullptr) {
      err = woken ? EBADF : EINTR;
      break;
    }
  }
  if (err != 0) errno = err;
  *result = err != 0 ? -1 : 0;
  return true;
}

bool device_mmap(void* addr, std::size_t length, int prot, int flags, int fd, long long offset,
                 void** result) {
  if (!may_be_device(fd)) return false;
  std::lock_guard<std::mutex> lock(g_registry.mutex);
  Handle* handle = find_handle(fd);
  if (handle == nullptr) return false;
  const int err = alive(*handle) ? g_registry.devices[handle->device].map(addr, length, prot, flags,
                                                                          offset, result)
                                 : ENODEV;
  if (err != 0) {
    errno = err;
    *result = MAP_FAILED;
  }
  return true;
}

void forget_descriptor(int fd) {
  if (!may_be_device(fd)) return;
  std::lock_guard<std::mutex> lock(g_registry.mutex);
  Handle* handle = find_handle(fd);
  if (handle == nullptr) return;
  if (alive(*handle)) g_registry.devices[handle->device].release(fd);
  *handle = Handle{};
  g_registry.open_handles.fetch_sub(1, std::memory_order_release);
}

int device_count() {
  std::lock_guard<std::mutex> lock(g_registry.mutex);
  ensure_configured();
  return g_registry.device_count;
}

int open_descriptors(int index) {
  std::lock_guard<std::mutex> lock(g_registry.mutex);
  ensure_configured();
  int count = 0;
  for (const Handle& handle : g_registry.handles) {
    if (handle.fd >= 0 && handle.device == index && alive(handle)) ++count;
  }
  return count;
}

std::mutex& registry_mutex() { return g_registry.mutex; }

Device* configured_device(int index) {
  ensure_configured();
  if (index < 0 || index >= g_registry.device_count) return nullptr;
  return &g_registry.devices[index];
}

}  // namespace velmora::vcam
