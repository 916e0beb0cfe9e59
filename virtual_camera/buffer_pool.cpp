#include "virtual_camera/buffer_pool.h"

#include <errno.h>
#include <stdio.h>
#include <sys/mman.h>
#include <unistd.h>

#include "virtual_camera/real_libc.h"

namespace velmora::vcam {

int BufferPool::allocate(std::uint32_t count, std::uint32_t length, int device_index) {
  release();
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  const std::size_t stride = (length + page - 1) / page * page;
  const std::size_t total = stride * count;
  // Offsets travel in a 32-bit field (v4l2_buffer.m.offset).
  if (count == 0 || total > 0x7FFFFFFFu) return ENOMEM;

  char name[32];
  snprintf(name, sizeof name, "velmora-vcam%d", device_index);
  const int fd = memfd_create(name, MFD_CLOEXEC);
  if (fd < 0) return errno;
  if (ftruncate(fd, static_cast<off_t>(total)) != 0) {
    const int err = errno;
    real::close(fd);
    return err;
  }
  void* base = real::mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (base == MAP_FAILED) {
    const int err = errno;
    real::close(fd);
    return err;
  }
  memfd_ = fd;
  base_ = static_cast<std::uint8_t*>(base);
  count_ = count;
  length_ = length;
  stride_ = stride;
  return 0;
}

void BufferPool::release() {
  // The application's own mappings keep the memory alive until it unmaps
  // them, as a driver's buffers outlive VIDIOC_REQBUFS(0) while mapped.
  if (base_ != nullptr) munmap(base_, stride_ * count_);
  if (memfd_ >= 0) real::close(memfd_);
  *this = BufferPool{};
}

std::uint32_t BufferPool::offset(std::uint32_t index) const {
  return static_cast<std::uint32_t>(stride_ * index);
}

std::uint8_t* BufferPool::data(std::uint32_t index) const { return base_ + stride_ * index; }

bool BufferPool::has_buffer_at(long long offset) const {
  for (std::uint32_t i = 0; i < count_; ++i) {
    if (static_cast<long long>(this->offset(i)) == offset) return true;
  }
  return false;
}

}  // namespace velmora::vcam
