// One virtual V4L2 capture device: its format, its buffers and stream, its
// faults and its statistics.  Every member function expects the registry's
// lock to be held (see registry.h) and returns 0 or an errno value.
#ifndef VELMORA_VIRTUAL_CAMERA_DEVICE_H_
#define VELMORA_VIRTUAL_CAMERA_DEVICE_H_

#include <linux/videodev2.h>

#include <cstddef>
#include <cstdint>

#include "virtual_camera/buffer_pool.h"
#include "virtual_camera/config.h"
#include "virtual_camera/faults.h"
#include "virtual_camera/frame_format.h"
#include "virtual_camera/frame_patterns.h"
#include "virtual_camera/ioctl_counter.h"
#include "virtual_camera/ready_signal.h"

namespace velmora::vcam {

class Device {
 public:
  void configure(int index, const Config& config);

  // Why open() fails right now, or 0.
  int open_error() const;
  // Changes when the device disappears: descriptors opened before then
  // belong to the device that went away and only get ENODEV.
  std::uint32_t generation() const { return generation_; }

  // A V4L2 request made on descriptor `fd` of this device.
  int ioctl(int fd, std::uint32_t request, void* arg);
  // mmap() of one buffer through a descriptor of this device.
  int map(void* addr, std::size_t length, int prot, int flags, long long offset, void** mapping);
  // Descriptor `fd` is being closed: whatever it owned is freed.
  void release(int fd);

  std::uint64_t frames_served() const { return frames_served_; }
  // The format the last successful VIDIOC_S_FMT set, if there was one.
  bool last_format(FrameFormat* format) const;
  std::uint64_t ioctl_calls(std::uint32_t request) const { return ioctl_calls_.calls(request); }

  void fail_opens();
  void disconnect_after(std::uint64_t frames);
  void stall_after(std::uint64_t frames);
  void limit_size(const SizeLimits& limits);
  void clear_faults();

 private:
  int query_capability(v4l2_capability& cap) const;
  int enum_format(v4l2_fmtdesc& desc) const;
  int enum_frame_sizes(v4l2_frmsizeenum& sizes) const;
  int get_format(v4l2_format& format) const;
  int try_format(v4l2_format& format) const;
  int set_format(v4l2_format& format);
  int get_parm(v4l2_streamparm& parm) const;
  int set_parm(v4l2_streamparm& parm);

  int request_buffers(int fd, v4l2_requestbuffers& request);
  int query_buffer(v4l2_buffer& buffer) const;
  int queue_buffer(int fd, v4l2_buffer& buffer);
  int dequeue_buffer(int fd, v4l2_buffer& buffer);
  int stream_on(int fd, std::uint32_t type);
  int stream_off(int fd, std::uint32_t type);

  // 0 if `fd` holds the buffers; EBUSY if another descriptor does.
  int check_owner(int fd) const;
  void describe_buffer(std::uint32_t index, v4l2_buffer& buffer) const;
  void stop_streaming();
  void free_buffers();
  void disappear_if_due();
  bool stalled() const { return frames_served_ >= faults_.stall_at; }
  std::int64_t frame_period_ns() const { return 1000000000 / pace_fps_; }
  void update_readiness();

  int index_ = 0;
  Pattern pattern_ = Pattern::kGradient;
  // Delivery pace in frames per second; 0 delivers whenever asked.
  std::uint32_t pace_fps_ = 0;
  // The rate VIDIOC_G_PARM reports.
  std::uint32_t fps_ = 30;
  FrameFormat format_;
  Faults faults_;
  bool gone_ = false;
  std::uint32_t generation_ = 0;

  // The descriptor whose VIDIOC_REQBUFS allocated the buffers; V4L2 lets
  // only that one queue, dequeue and stream.
  int owner_fd_ = -1;
  BufferPool pool_;
  bool queued_[kMaxBuffers] = {};
  std::uint8_t queue_[kMaxBuffers] = {};
  std::uint32_t queue_head_ = 0;
  std::uint32_t queue_size_ = 0;
  bool streaming_ = false;
  std::int64_t stream_start_ns_ = 0;
  std::uint64_t next_sequence_ = 0;
  ReadySignal ready_;

  std::uint64_t frames_served_ = 0;
  bool format_set_ = false;
  FrameFormat last_set_format_;
  IoctlCounter ioctl_calls_;
};

}  // namespace velmora::vcam

#endif  // VELMORA_VIRTUAL_CAMERA_DEVICE_H_
