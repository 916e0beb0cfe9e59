// A device's buffers, stream and faults.
#include "virtual_camera/device.h"

#include <errno.h>
#include <sys/mman.h>

#include <algorithm>
#include <iterator>

#include "virtual_camera/real_libc.h"

namespace velmora::vcam {
namespace {

constexpr std::uint32_t kCapture = V4L2_BUF_TYPE_VIDEO_CAPTURE;

std::uint64_t saturating_add(std::uint64_t a, std::uint64_t b) {
  return a > kNever - b ? kNever : a + b;
}

}  // namespace

void Device::configure(int index, const Config& config) {
  index_ = index;
  pattern_ = config.pattern;
  pace_fps_ = config.fps;
  fps_ = config.fps != 0 ? config.fps : 30;
  format_ = config.format;
  faults_ = config.faults[index];
  disappear_if_due();
}

int Device::open_error() const {
  if (faults_.open_fails) return EIO;
  if (gone_) return ENOENT;
  // A second user of a streaming camera is turned away.
  if (streaming_) return EBUSY;
  return 0;
}

int Device::map(void* addr, std::size_t length, int prot, int flags, long long offset,
                void** mapping) {
  if ((flags & MAP_SHARED) == 0 || !pool_.has_buffer_at(offset) || length == 0 ||
      length > pool_.mappable_length()) {
    return EINVAL;
  }
  void* result = real::mmap(addr, length, prot, flags, pool_.memfd(), static_cast<off_t>(offset));
  if (result == MAP_FAILED) return errno;
  *mapping = result;
  return 0;
}

void Device::release(int fd) {
  if (owner_fd_ == fd) free_buffers();
}

bool Device::last_format(FrameFormat* format) const {
  if (!format_set_) return false;
  *format = last_set_format_;
  return true;
}

void Device::fail_opens() { faults_.open_fails = true; }

void Device::disconnect_after(std::uint64_t frames) {
  faults_.disconnect_at = saturating_add(frames_served_, frames);
  disappear_if_due();
}

void Device::stall_after(std::uint64_t frames) {
  faults_.stall_at = saturating_add(frames_served_, frames);
  update_readiness();
}

void Device::limit_size(const SizeLimits& limits) { faults_.limits = limits; }

void Device::clear_faults() {
  faults_ = Faults{};
  gone_ = false;
  update_readiness();
}

int Device::request_buffers(int fd, v4l2_requestbuffers& request) {
  if (request.type != kCapture || request.memory != V4L2_MEMORY_MMAP) return EINVAL;
  if (int err = check_owner(fd)) return err;
  request.capabilities = V4L2_BUF_CAP_SUPPORTS_MMAP;
  request.flags = 0;
  if (streaming_ && request.count != 0) return EBUSY;
  // REQBUFS(0) also stops a running stream.
  free_buffers();
  if (request.count == 0) return 0;
  const std::uint32_t count = std::min(request.count, kMaxBuffers);
  if (int err = pool_.allocate(count, format_.image_size(), index_)) return err;
  request.count = count;
  owner_fd_ = fd;
  update_readiness();
  return 0;
}

int Device::query_buffer(v4l2_buffer& buffer) const {
  if (buffer.type != kCapture || buffer.index >= pool_.count()) return EINVAL;
  describe_buffer(buffer.index, buffer);
  return 0;
}

int Device::queue_buffer(int fd, v4l2_buffer& buffer) {
  if (buffer.type != kCapture || buffer.memory != V4L2_MEMORY_MMAP) return EINVAL;
  if (int err = check_owner(fd)) return err;
  const std::uint32_t index = buffer.index;
  if (index >= pool_.count() || queued_[index]) return EINVAL;
  queued_[index] = true;
  queue_[(queue_head_ + queue_size_) % kMaxBuffers] = static_cast<std::uint8_t>(index);
  ++queue_size_;
  describe_buffer(index, buffer);
  update_readiness();
  return 0;
}

int Device::dequeue_buffer(int fd, v4l2_buffer& buffer) {
  if (buffer.type != kCapture || buffer.memory != V4L2_MEMORY_MMAP) return EINVAL;
  if (int err = check_owner(fd)) return err;
  if (!streaming_ || queue_size_ == 0) return EINVAL;
  if (stalled()) return EAGAIN;

  const std::int64_t now = monotonic_now_ns();
  std::uint64_t sequence = next_sequence_;
  std::int64_t timestamp = now;
  if (pace_fps_ != 0) {
    // A paced camera keeps running while nobody reads: a slow reader gets
    // the latest frame and the ones in between are dropped, as a real
    // camera drops them.
    const std::int64_t period = frame_period_ns();
    const auto latest = static_cast<std::uint64_t>((now - stream_start_ns_) / period);
    if (latest < next_sequence_) return EAGAIN;
    sequence = latest;
    timestamp = stream_start_ns_ + static_cast<std::int64_t>(latest) * period;
  }

  const std::uint32_t index = queue_[queue_head_];
  queue_head_ = (queue_head_ + 1) % kMaxBuffers;
  --queue_size_;
  queued_[index] = false;
  // Drawn at dequeue time, so that what a client sees depends only on the
  // sequence number and the format, never on when buffers were queued.
  render_frame(pattern_, format_, sequence, pool_.data(index));

  describe_buffer(index, buffer);
  buffer.bytesused = format_.image_size();
  buffer.sequence = static_cast<std::uint32_t>(sequence);
  buffer.timestamp.tv_sec = static_cast<time_t>(timestamp / 1000000000);
  buffer.timestamp.tv_usec = static_cast<suseconds_t>(timestamp % 1000000000 / 1000);
  next_sequence_ = sequence + 1;
  ++frames_served_;
  update_readiness();
  disappear_if_due();
  return 0;
}

int Device::stream_on(int fd, std::uint32_t type) {
  if (type != kCapture) return EINVAL;
  if (int err = check_owner(fd)) return err;
  if (pool_.count() == 0) return EINVAL;
  if (streaming_) return 0;
  streaming_ = true;
  stream_start_ns_ = monotonic_now_ns();
  next_sequence_ = 0;
  update_readiness();
  return 0;
}

int Device::stream_off(int fd, std::uint32_t type) {
  if (type != kCapture) return EINVAL;
  if (int err = check_owner(fd)) return err;
  stop_streaming();
  return 0;
}

int Device::check_owner(int fd) const { return owner_fd_ >= 0 && owner_fd_ != fd ? EBUSY : 0; }

void Device::describe_buffer(std::uint32_t index, v4l2_buffer& buffer) const {
  buffer = v4l2_buffer{};
  buffer.index = index;
  buffer.type = kCapture;
  buffer.memory = V4L2_MEMORY_MMAP;
  buffer.m.offset = pool_.offset(index);
  buffer.length = pool_.length();
  buffer.field = V4L2_FIELD_NONE;
  buffer.flags = V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC | V4L2_BUF_FLAG_TSTAMP_SRC_EOF |
                 (queued_[index] ? V4L2_BUF_FLAG_QUEUED : 0u);
}

void Device::stop_streaming() {
  streaming_ = false;
  std::fill(std::begin(queued_), std::end(queued_), false);
  queue_head_ = 0;
  queue_size_ = 0;
  update_readiness();
}

void Device::free_buffers() {
  stop_streaming();
  pool_.release();
  owner_fd_ = -1;
  ready_.forget();
}

void Device::disappear_if_due() {
  if (gone_ || frames_served_ < faults_.disconnect_at) return;
  gone_ = true;
  ++generation_;
  const int waiting = owner_fd_;
  free_buffers();
  // Wake whoever waits on the stream, so that its next call sees ENODEV.
  if (waiting >= 0) ReadySignal{}.ready_now(waiting);
}

void Device::update_readiness() {
  if (owner_fd_ < 0) return;
  if (!streaming_ || queue_size_ == 0 || stalled()) {
    ready_.not_ready(owner_fd_);
  } else if (pace_fps_ == 0) {
    ready_.ready_now(owner_fd_);
  } else {
    ready_.ready_at(owner_fd_, stream_start_ns_ +
                                   static_cast<std::int64_t>(next_sequence_) * frame_period_ns());
  }
}

}  // namespace velmora::vcam
