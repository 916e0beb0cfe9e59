#include "virtual_camera/real_libc.h"

#include <dlfcn.h>
#include <errno.h>
#include <sys/mman.h>

#include <atomic>

namespace velmora::vcam::real {
namespace {

// Looks the function up on first use.  Two threads racing here both find the
// same address, so a plain atomic store is enough: no lock, no once-flag that
// a call made from inside dlsym could deadlock on, and nothing resolved in a
// constructor, before a preloaded sanitizer runtime may be ready for dlsym's
// allocations.
template <typename Fn>
Fn next_definition(std::atomic<Fn>& slot, const char* name) {
  Fn fn = slot.load(std::memory_order_acquire);
  if (fn == nullptr) {
    fn = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
    slot.store(fn, std::memory_order_release);
  }
  return fn;
}

using OpenFn = int (*)(const char*, int, ...);
using OpenAtFn = int (*)(int, const char*, int, ...);
using FortifiedOpenFn = int (*)(const char*, int);
using FortifiedOpenAtFn = int (*)(int, const char*, int);
using CloseFn = int (*)(int);
using IoctlFn = int (*)(int, unsigned long, ...);
using MmapFn = void* (*)(void*, size_t, int, int, int, off_t);
using Mmap64Fn = void* (*)(void*, size_t, int, int, int, off64_t);

std::atomic<OpenFn> g_open{nullptr};
std::atomic<OpenFn> g_open64{nullptr};
std::atomic<OpenAtFn> g_openat{nullptr};
std::atomic<OpenAtFn> g_openat64{nullptr};
std::atomic<FortifiedOpenFn> g_open_2{nullptr};
std::atomic<FortifiedOpenFn> g_open64_2{nullptr};
std::atomic<FortifiedOpenAtFn> g_openat_2{nullptr};
std::atomic<FortifiedOpenAtFn> g_openat64_2{nullptr};
std::atomic<CloseFn> g_close{nullptr};
std::atomic<IoctlFn> g_ioctl{nullptr};
std::atomic<MmapFn> g_mmap{nullptr};
std::atomic<Mmap64Fn> g_mmap64{nullptr};

int missing() {
  errno = ENOSYS;
  return -1;
}

}  // namespace

int open(const char* path, int flags, mode_t mode) {
  OpenFn fn = next_definition(g_open, "open");
  return fn ? fn(path, flags, mode) : missing();
}

int open64(const char* path, int flags, mode_t mode) {
  OpenFn fn = next_definition(g_open64, "open64");
  return fn ? fn(path, flags, mode) : missing();
}

int openat(int dirfd, const char* path, int flags, mode_t mode) {
  OpenAtFn fn = next_definition(g_openat, "openat");
  return fn ? fn(dirfd, path, flags, mode) : missing();
}

int openat64(int dirfd, const char* path, int flags, mode_t mode) {
  OpenAtFn fn = next_definition(g_openat64, "openat64");
  return fn ? fn(dirfd, path, flags, mode) : missing();
}

int open_2(const char* path, int flags) {
  FortifiedOpenFn fn = next_definition(g_open_2, "__open_2");
  return fn ? fn(path, flags) : missing();
}

int open64_2(const char* path, int flags) {
  FortifiedOpenFn fn = next_definition(g_open64_2, "__open64_2");
  return fn ? fn(path, flags) : missing();
}

int openat_2(int dirfd, const char* path, int flags) {
  FortifiedOpenAtFn fn = next_definition(g_openat_2, "__openat_2");
  return fn ? fn(dirfd, path, flags) : missing();
}

int openat64_2(int dirfd, const char* path, int flags) {
  FortifiedOpenAtFn fn = next_definition(g_openat64_2, "__openat64_2");
  return fn ? fn(dirfd, path, flags) : missing();
}

int close(int fd) {
  CloseFn fn = next_definition(g_close, "close");
  return fn ? fn(fd) : missing();
}

int ioctl(int fd, unsigned long request, void* arg) {
  IoctlFn fn = next_definition(g_ioctl, "ioctl");
  return fn ? fn(fd, request, arg) : missing();
}

void* mmap(void* addr, size_t length, int prot, int flags, int fd, off_t offset) {
  MmapFn fn = next_definition(g_mmap, "mmap");
  if (fn == nullptr) {
    errno = ENOSYS;
    return MAP_FAILED;
  }
  return fn(addr, length, prot, flags, fd, offset);
}

void* mmap64(void* addr, size_t length, int prot, int flags, int fd, off64_t offset) {
  Mmap64Fn fn = next_definition(g_mmap64, "mmap64");
  if (fn == nullptr) {
    errno = ENOSYS;
    return MAP_FAILED;
  }
  return fn(addr, length, prot, flags, fd, offset);
}

}  // namespace velmora::vcam::real
