// A fixture for tests of the virtual camera itself: its whole control
// interface, looked up in the running process (the library is preloaded,
// not linked), and plain V4L2 calls on its devices.
#ifndef VELMORA_TESTS_SUPPORT_VIRTUAL_CAMERA_FIXTURE_H_
#define VELMORA_TESTS_SUPPORT_VIRTUAL_CAMERA_FIXTURE_H_

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/select.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "virtual_camera/virtual_camera_control.h"

namespace velmora::testing {

template <typename Fn>
Fn find_in_process(const char* name) {
  return reinterpret_cast<Fn>(dlsym(RTLD_DEFAULT, name));
}

// The control interface; every member is null when the library is missing.
struct VirtualCameraControl {
#define VELMORA_VCAM_FUNCTION(name) \
  decltype(&::velmora_vcam_##name) name = find_in_process<decltype(name)>("velmora_vcam_" #name)
  VELMORA_VCAM_FUNCTION(device_count);
  VELMORA_VCAM_FUNCTION(frames_served);
  VELMORA_VCAM_FUNCTION(last_format);
  VELMORA_VCAM_FUNCTION(ioctl_count);
  VELMORA_VCAM_FUNCTION(open_descriptors);
  VELMORA_VCAM_FUNCTION(inject_fault);
  VELMORA_VCAM_FUNCTION(limit_size);
  VELMORA_VCAM_FUNCTION(clear_faults);
#undef VELMORA_VCAM_FUNCTION

  bool complete() const {
    return device_count && frames_served && last_format && ioctl_count && open_descriptors &&
           inject_fault && limit_size && clear_faults;
  }
};

// Base of every test that runs on the virtual camera.  Without it such a
// test would pass or fail for reasons unrelated to the code under test, so
// a missing library fails the test instead of skipping it.
class VirtualCameraTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(vcam.complete()) << "the virtual camera is not preloaded (LD_PRELOAD="
                                 << VELMORA_VIRTUAL_CAMERA_PATH << ")";
  }

  VirtualCameraControl vcam;
};

// ioctl() returning 0 or the errno it failed with.
inline int v4l2_call(int fd, unsigned long request, void* arg) {
  return ioctl(fd, request, arg) == 0 ? 0 : errno;
}

// Whether `fd` becomes readable within `timeout_ms`, waiting in select() as
// OpenCV does while it waits for a frame.
inline bool select_readable(int fd, int timeout_ms) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(fd, &set);
  timeval timeout{timeout_ms / 1000, timeout_ms % 1000 * 1000};
  return select(fd + 1, &set, nullptr, nullptr, &timeout) == 1;
}

inline std::string device_path(int index) { return "/dev/video" + std::to_string(index); }

// One open device streaming through mmap()ed buffers, as a V4L2 capture
// client drives it.  Failures are recorded as test failures and leave
// `ok()` false.
class RawStream {
 public:
  RawStream(int index, std::uint32_t width, std::uint32_t height, std::uint32_t fourcc,
            std::uint32_t buffers = 4, int open_flags = O_RDWR | O_NONBLOCK)
      : fd_(open(device_path(index).c_str(), open_flags)) {
    EXPECT_GE(fd_, 0) << "open " << device_path(index) << ": " << strerror(errno);
    if (fd_ < 0) return;
    format_.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    format_.fmt.pix.width = width;
    format_.fmt.pix.height = height;
    format_.fmt.pix.pixelformat = fourcc;
    EXPECT_EQ(v4l2_call(fd_, VIDIOC_S_FMT, &format_), 0);
    v4l2_requestbuffers request{};
    request.count = buffers;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    EXPECT_EQ(v4l2_call(fd_, VIDIOC_REQBUFS, &request), 0);
    for (std::uint32_t i = 0; i < request.count; ++i) {
      v4l2_buffer buffer = describe(i);
      EXPECT_EQ(v4l2_call(fd_, VIDIOC_QUERYBUF, &buffer), 0);
      void* data = mmap(nullptr, buffer.length, PROT_READ, MAP_SHARED, fd_, buffer.m.offset);
      EXPECT_NE(data, MAP_FAILED) << strerror(errno);
      if (data == MAP_FAILED) return;
      mappings_.push_back({static_cast<const std::uint8_t*>(data), buffer.length});
      EXPECT_EQ(v4l2_call(fd_, VIDIOC_QBUF, &buffer), 0);
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    EXPECT_EQ(v4l2_call(fd_, VIDIOC_STREAMON, &type), 0);
    ok_ = !::testing::Test::HasFailure();
  }

  ~RawStream() {
    for (const Mapping& mapping : mappings_) {
      munmap(const_cast<std::uint8_t*>(mapping.data), mapping.length);
    }
    if (fd_ >= 0) close(fd_);
  }

  RawStream(const RawStream&) = delete;
  RawStream& operator=(const RawStream&) = delete;

  bool ok() const { return ok_; }
  int fd() const { return fd_; }
  const v4l2_pix_format& format() const { return format_.fmt.pix; }
  const std::uint8_t* data(const v4l2_buffer& buffer) const {
    return mappings_.at(buffer.index).data;
  }

  // VIDIOC_DQBUF into `buffer`; 0 or the errno.
  int dequeue(v4l2_buffer& buffer) {
    buffer = v4l2_buffer{};
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    return v4l2_call(fd_, VIDIOC_DQBUF, &buffer);
  }
  int requeue(v4l2_buffer& buffer) { return v4l2_call(fd_, VIDIOC_QBUF, &buffer); }

  static v4l2_buffer describe(std::uint32_t index) {
    v4l2_buffer buffer{};
    buffer.index = index;
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    return buffer;
  }

 private:
  struct Mapping {
    const std::uint8_t* data;
    std::size_t length;
  };
  int fd_;
  bool ok_ = false;
  v4l2_format format_{};
  std::vector<Mapping> mappings_;
};

}  // namespace velmora::testing

#endif  // VELMORA_TESTS_SUPPORT_VIRTUAL_CAMERA_FIXTURE_H_
