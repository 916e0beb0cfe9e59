// The C library functions through which a V4L2 client talks to a device,
// defined here so that a preloaded copy of this library sees them first.
// Each answers for the virtual devices and hands every other call to the C
// library unchanged.
//
// All spellings are wrapped: open64/mmap64 are what code built with a
// 64-bit off_t calls on 32-bit systems, openat is what the C library's own
// fopen() and many runtimes use, and the __*_2 names are what
// _FORTIFY_SOURCE turns open() into.
#include <fcntl.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/types.h>
#include <unistd.h>

#include "virtual_camera/device_path.h"
#include "virtual_camera/real_libc.h"
#include "virtual_camera/registry.h"

#define VELMORA_EXPORT extern "C" __attribute__((visibility("default")))

namespace vcam = velmora::vcam;

namespace {

// open()'s third argument exists only when the flags create a file.
mode_t mode_argument(int flags, va_list args) {
  const bool creates = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
  return creates ? va_arg(args, mode_t) : 0;
}

// A virtual device is named by an absolute path, which openat() resolves
// the same way whatever its directory descriptor.
bool open_virtual(const char* path, int flags, int* fd) {
  int index = 0;
  return vcam::parse_device_path(path, &index) && vcam::open_device(index, flags, fd);
}

}  // namespace

VELMORA_EXPORT int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = mode_argument(flags, args);
  va_end(args);
  int fd = -1;
  return open_virtual(path, flags, &fd) ? fd : vcam::real::open(path, flags, mode);
}

VELMORA_EXPORT int open64(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = mode_argument(flags, args);
  va_end(args);
  int fd = -1;
  return open_virtual(path, flags, &fd) ? fd : vcam::real::open64(path, flags, mode);
}

VELMORA_EXPORT int openat(int dirfd, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = mode_argument(flags, args);
  va_end(args);
  int fd = -1;
  return open_virtual(path, flags, &fd) ? fd : vcam::real::openat(dirfd, path, flags, mode);
}

VELMORA_EXPORT int openat64(int dirfd, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = mode_argument(flags, args);
  va_end(args);
  int fd = -1;
  return open_virtual(path, flags, &fd) ? fd : vcam::real::openat64(dirfd, path, flags, mode);
}

VELMORA_EXPORT int __open_2(const char* path, int flags) {
  int fd = -1;
  return open_virtual(path, flags, &fd) ? fd : vcam::real::open_2(path, flags);
}

VELMORA_EXPORT int __open64_2(const char* path, int flags) {
  int fd = -1;
  return open_virtual(path, flags, &fd) ? fd : vcam::real::open64_2(path, flags);
}

VELMORA_EXPORT int __openat_2(int dirfd, const char* path, int flags) {
  int fd = -1;
  return open_virtual(path, flags, &fd) ? fd : vcam::real::openat_2(dirfd, path, flags);
}

VELMORA_EXPORT int __openat64_2(int dirfd, const char* path, int flags) {
  int fd = -1;
  return open_virtual(path, flags, &fd) ? fd : vcam::real::openat64_2(dirfd, path, flags);
}

VELMORA_EXPORT int close(int fd) {
  vcam::forget_descriptor(fd);
  return vcam::real::close(fd);
}

VELMORA_EXPORT int ioctl(int fd, unsigned long request, ...) noexcept {
  va_list args;
  va_start(args, request);
  void* arg = va_arg(args, void*);
  va_end(args);
  int result = 0;
  return vcam::device_ioctl(fd, request, arg, &result) ? result
                                                       : vcam::real::ioctl(fd, request, arg);
}

VELMORA_EXPORT void* mmap(void* addr, size_t length, int prot, int flags, int fd,
                          off_t offset) noexcept {
  void* result = nullptr;
  return vcam::device_mmap(addr, length, prot, flags, fd, offset, &result)
             ? result
             : vcam::real::mmap(addr, length, prot, flags, fd, offset);
}

VELMORA_EXPORT void* mmap64(void* addr, size_t length, int prot, int flags, int fd,
                            off64_t offset) noexcept {
  void* result = nullptr;
  return vcam::device_mmap(addr, length, prot, flags, fd, offset, &result)
             ? result
             : vcam::real::mmap64(addr, length, prot, flags, fd, offset);
}
