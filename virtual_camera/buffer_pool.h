// The frame buffers of one device, backed by a memfd so that the
// application's mmap() of the device maps real, shared memory: the library
// writes a frame through its own mapping and the application reads it
// through its own, exactly as with a driver's DMA buffers.
#ifndef VELMORA_VIRTUAL_CAMERA_BUFFER_POOL_H_
#define VELMORA_VIRTUAL_CAMERA_BUFFER_POOL_H_

#include <cstddef>
#include <cstdint>

namespace velmora::vcam {

constexpr std::uint32_t kMaxBuffers = 32;  // VIDEO_MAX_FRAME

class BufferPool {
 public:
  // Replaces the pool by `count` buffers of `length` bytes each.  Returns 0
  // or an errno value; on failure the pool is empty.
  int allocate(std::uint32_t count, std::uint32_t length, int device_index);
  void release();

  std::uint32_t count() const { return count_; }
  // What VIDIOC_QUERYBUF reports and DQBUF repeats: OpenCV checks the two.
  std::uint32_t length() const { return length_; }
  // A buffer may be mapped up to its page-rounded size, as with vb2.
  std::size_t mappable_length() const { return stride_; }
  std::uint32_t offset(std::uint32_t index) const;
  std::uint8_t* data(std::uint32_t index) const;
  // Whether a buffer starts at `offset` (VIDIOC_QUERYBUF's m.offset).
  bool has_buffer_at(long long offset) const;
  int memfd() const { return memfd_; }

 private:
  int memfd_ = -1;
  std::uint8_t* base_ = nullptr;
  std::uint32_t count_ = 0;
  std::uint32_t length_ = 0;
  std::size_t stride_ = 0;
};

}  // namespace velmora::vcam

#endif  // VELMORA_VIRTUAL_CAMERA_BUFFER_POOL_H_
