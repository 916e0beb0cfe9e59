// The C library's own versions of the calls the virtual camera wraps.
//
// The library is preloaded, so a plain open() or close() inside it would
// reach its own wrappers again (and close() would retake the registry lock).
// Every call the library makes on its own behalf goes through these instead;
// each finds the next definition after this library with dlsym(RTLD_NEXT) the
// first time it is used, so a sanitizer runtime loaded before us keeps seeing
// every call.
#ifndef VELMORA_VIRTUAL_CAMERA_REAL_LIBC_H_
#define VELMORA_VIRTUAL_CAMERA_REAL_LIBC_H_

#include <sys/types.h>

#include <cstddef>

namespace velmora::vcam::real {

int open(const char* path, int flags, mode_t mode);
int open64(const char* path, int flags, mode_t mode);
int openat(int dirfd, const char* path, int flags, mode_t mode);
int openat64(int dirfd, const char* path, int flags, mode_t mode);
int open_2(const char* path, int flags);
int open64_2(const char* path, int flags);
int openat_2(int dirfd, const char* path, int flags);
int openat64_2(int dirfd, const char* path, int flags);
int close(int fd);
int ioctl(int fd, unsigned long request, void* arg);
void* mmap(void* addr, size_t length, int prot, int flags, int fd, off_t offset);
void* mmap64(void* addr, size_t length, int prot, int flags, int fd, off64_t offset);

}  // namespace velmora::vcam::real

#endif  // VELMORA_VIRTUAL_CAMERA_REAL_LIBC_H_
