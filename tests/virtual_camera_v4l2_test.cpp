// The virtual camera as a V4L2 device, driven by plain system calls: its
// answers to each request, its buffers and stream, the readiness of its
// descriptor, and its faults.
#include <poll.h>
#include <sys/select.h>

#include <chrono>
#include <functional>
#include <thread>

#include "tests/support/virtual_camera_fixture.h"
#include "virtual_camera/test_pattern.h"

// The C library's fortified open() entry points, which no header declares
// unless _FORTIFY_SOURCE is on.
extern "C" int __open_2(const char* path, int flags);
extern "C" int __open64_2(const char* path, int flags);
extern "C" int __openat_2(int dirfd, const char* path, int flags);
extern "C" int __openat64_2(int dirfd, const char* path, int flags);

namespace velmora::testing {
namespace {

constexpr std::uint32_t kBgr = V4L2_PIX_FMT_BGR24;
constexpr std::uint32_t kYuyv = V4L2_PIX_FMT_YUYV;
constexpr std::uint32_t kCapture = V4L2_BUF_TYPE_VIDEO_CAPTURE;

// An open descriptor, closed at the end of the test.
class OpenDevice {
 public:
  explicit OpenDevice(int index = 0, int flags = O_RDWR | O_NONBLOCK)
      : fd_(open(device_path(index).c_str(), flags)), error_(fd_ < 0 ? errno : 0) {}
  ~OpenDevice() {
    if (fd_ >= 0) close(fd_);
  }
  OpenDevice(const OpenDevice&) = delete;
  OpenDevice& operator=(const OpenDevice&) = delete;

  int fd() const { return fd_; }
  int error() const { return error_; }
  int call(unsigned long request, void* arg) const { return v4l2_call(fd_, request, arg); }

  v4l2_pix_format set_format(std::uint32_t width, std::uint32_t height, std::uint32_t fourcc,
                             unsigned long request = VIDIOC_S_FMT) const {
    v4l2_format format{};
    format.type = kCapture;
    format.fmt.pix.width = width;
    format.fmt.pix.height = height;
    format.fmt.pix.pixelformat = fourcc;
    EXPECT_EQ(call(request, &format), 0);
    return format.fmt.pix;
  }
  v4l2_pix_format get_format() const {
    v4l2_format format{};
    format.type = kCapture;
    EXPECT_EQ(call(VIDIOC_G_FMT, &format), 0);
    return format.fmt.pix;
  }
  int request_buffers(std::uint32_t count, std::uint32_t memory = V4L2_MEMORY_MMAP) const {
    v4l2_requestbuffers request{};
    request.count = count;
    request.type = kCapture;
    request.memory = memory;
    return call(VIDIOC_REQBUFS, &request);
  }
  int queue(std::uint32_t index) const {
    v4l2_buffer buffer = RawStream::describe(index);
    return call(VIDIOC_QBUF, &buffer);
  }
  int stream_on() const {
    int type = kCapture;
    return call(VIDIOC_STREAMON, &type);
  }

 private:
  int fd_;
  int error_;
};

bool readable(int fd, int timeout_ms) {
  pollfd entry{fd, POLLIN, 0};
  return poll(&entry, 1, timeout_ms) == 1 && (entry.revents & POLLIN) != 0;
}

// Checks every byte of a dequeued frame against the pattern's definition.
::testing::AssertionResult shows_gradient(const std::uint8_t* data, const v4l2_pix_format& format,
                                          std::uint64_t frame) {
  for (std::uint32_t y = 0; y < format.height; ++y) {
    const std::uint8_t* row = data + y * format.bytesperline;
    for (std::uint32_t x = 0; x < format.width; ++x) {
      std::uint8_t expected[3];
      std::uint32_t size = 3;
      if (format.pixelformat == kYuyv) {
        const auto p = vcam::test_pattern::gradient_yuyv(x, y, frame);
        expected[0] = p.luma;
        expected[1] = p.chroma;
        size = 2;
      } else {
        const auto p = vcam::test_pattern::gradient_bgr(x, y, frame);
        expected[0] = p.b;
        expected[1] = p.g;
        expected[2] = p.r;
      }
      for (std::uint32_t c = 0; c < size; ++c) {
        if (row[x * size + c] != expected[c]) {
          return ::testing::AssertionFailure()
                 << "frame " << frame << " pixel (" << x << ", " << y << ") byte " << c << " is "
                 << int{row[x * size + c]} << ", expected " << int{expected[c]};
        }
      }
    }
  }
  return ::testing::AssertionSuccess();
}

using VirtualCameraDeviceTest = VirtualCameraTest;

TEST_F(VirtualCameraDeviceTest, DescribesItselfAsAStreamingCaptureDevice) {
  OpenDevice device;
  ASSERT_GE(device.fd(), 0) << strerror(device.error());
  v4l2_capability cap{};
  ASSERT_EQ(device.call(VIDIOC_QUERYCAP, &cap), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(cap.driver), "velmora_vcam");
  EXPECT_EQ(cap.device_caps, V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING);
  EXPECT_EQ(cap.capabilities, cap.device_caps | V4L2_CAP_DEVICE_CAPS);
}

TEST_F(VirtualCameraDeviceTest, EnumeratesBgrThenYuyv) {
  OpenDevice device;
  std::vector<std::uint32_t> formats;
  v4l2_fmtdesc desc{};
  desc.type = kCapture;
  while (device.call(VIDIOC_ENUM_FMT, &desc) == 0) {
    formats.push_back(desc.pixelformat);
    desc.index++;
    desc.type = kCapture;
  }
  EXPECT_EQ(formats, (std::vector<std::uint32_t>{kBgr, kYuyv}));
  desc = v4l2_fmtdesc{};
  desc.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
  EXPECT_EQ(device.call(VIDIOC_ENUM_FMT, &desc), EINVAL);
}

struct FormatCase {
  const char* name;
  std::uint32_t width, height, fourcc;
  std::uint32_t expected_width, expected_height, expected_fourcc;
};
void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

class VirtualCameraFormatTest : public VirtualCameraTest,
                                public ::testing::WithParamInterface<FormatCase> {};

TEST_P(VirtualCameraFormatTest, AdjustsTheRequestAsADriverWould) {
  const FormatCase& c = GetParam();
  OpenDevice device;
  // Rows are padded to 4 bytes (see frame_format.h).
  const std::uint32_t bytes_per_line =
      (c.expected_width * (c.expected_fourcc == kYuyv ? 2 : 3) + 3) / 4 * 4;

  const v4l2_pix_format tried = device.set_format(c.width, c.height, c.fourcc, VIDIOC_TRY_FMT);
  const v4l2_pix_format set = device.set_format(c.width, c.height, c.fourcc);
  for (const v4l2_pix_format& answer : {tried, set, device.get_format()}) {
    EXPECT_EQ(answer.width, c.expected_width);
    EXPECT_EQ(answer.height, c.expected_height);
    EXPECT_EQ(answer.pixelformat, c.expected_fourcc);
    EXPECT_EQ(answer.field, std::uint32_t{V4L2_FIELD_NONE});
    EXPECT_EQ(answer.bytesperline, bytes_per_line);
    EXPECT_EQ(answer.sizeimage, bytes_per_line * c.expected_height);
  }
  std::uint32_t width = 0, height = 0, fourcc = 0;
  ASSERT_EQ(vcam.last_format(0, &width, &height, &fourcc), 0);
  EXPECT_EQ(width, c.expected_width);
  EXPECT_EQ(height, c.expected_height);
  EXPECT_EQ(fourcc, c.expected_fourcc);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, VirtualCameraFormatTest,
    ::testing::Values(FormatCase{"Kept", 640, 480, kBgr, 640, 480, kBgr},
                      FormatCase{"OddBgrWidthKept", 641, 479, kBgr, 641, 479, kBgr},
                      FormatCase{"OddYuyvWidthRoundedDown", 641, 479, kYuyv, 640, 479, kYuyv},
                      FormatCase{"TooSmallRaisedToMinimum", 1, 1, kBgr, 16, 16, kBgr},
                      FormatCase{"ZeroRaisedToMinimum", 0, 0, kYuyv, 16, 16, kYuyv},
                      FormatCase{"TooLargeLoweredToMaximum", 5000, 3000, kBgr, 3840, 2160, kBgr},
                      FormatCase{"UnknownFormatBecomesBgr", 320, 240,
                                 v4l2_fourcc('M', 'J', 'P', 'G'), 320, 240, kBgr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VirtualCameraDeviceTest, TryFormatLeavesTheFormatAlone) {
  OpenDevice device;
  device.set_format(320, 240, kBgr);
  device.set_format(800, 600, kYuyv, VIDIOC_TRY_FMT);
  const v4l2_pix_format current = device.get_format();
  EXPECT_EQ(current.width, 320u);
  EXPECT_EQ(current.height, 240u);
  EXPECT_EQ(current.pixelformat, kBgr);
}

TEST_F(VirtualCameraDeviceTest, SizeLimitFaultLowersTheLargestSizeUntilCleared) {
  OpenDevice device;
  ASSERT_EQ(vcam.limit_size(0, 321, 240), 0);
  v4l2_pix_format set = device.set_format(640, 480, kYuyv);
  EXPECT_EQ(set.width, 320u);
  EXPECT_EQ(set.height, 240u);
  v4l2_frmsizeenum sizes{};
  sizes.pixel_format = kBgr;
  ASSERT_EQ(device.call(VIDIOC_ENUM_FRAMESIZES, &sizes), 0);
  EXPECT_EQ(sizes.stepwise.max_width, 321u);
  EXPECT_EQ(sizes.stepwise.max_height, 240u);

  ASSERT_EQ(vcam.clear_faults(0), 0);
  set = device.set_format(640, 480, kYuyv);
  EXPECT_EQ(set.width, 640u);
  EXPECT_EQ(set.height, 480u);
}

TEST_F(VirtualCameraDeviceTest, EnumeratesOneStepwiseRangeOfSizesPerFormat) {
  OpenDevice device;
  for (const auto& [fourcc, step] : {std::pair{kBgr, 1u}, std::pair{kYuyv, 2u}}) {
    v4l2_frmsizeenum sizes{};
    sizes.pixel_format = fourcc;
    ASSERT_EQ(device.call(VIDIOC_ENUM_FRAMESIZES, &sizes), 0);
    EXPECT_EQ(sizes.type, std::uint32_t{V4L2_FRMSIZE_TYPE_STEPWISE});
    EXPECT_EQ(sizes.stepwise.min_width, 16u);
    EXPECT_EQ(sizes.stepwise.min_height, 16u);
    EXPECT_EQ(sizes.stepwise.max_width, 3840u);
    EXPECT_EQ(sizes.stepwise.max_height, 2160u);
    EXPECT_EQ(sizes.stepwise.step_width, step);
    EXPECT_EQ(sizes.stepwise.step_height, 1u);
    sizes.index = 1;
    EXPECT_EQ(device.call(VIDIOC_ENUM_FRAMESIZES, &sizes), EINVAL);
  }
  v4l2_frmsizeenum unknown{};
  unknown.pixel_format = v4l2_fourcc('M', 'J', 'P', 'G');
  EXPECT_EQ(device.call(VIDIOC_ENUM_FRAMESIZES, &unknown), EINVAL);
}

TEST_F(VirtualCameraDeviceTest, RemembersTheFrameRateAskedFor) {
  OpenDevice device;
  auto frame_rate = [&](unsigned long request, std::uint32_t numerator, std::uint32_t denominator) {
    v4l2_streamparm parm{};
    parm.type = kCapture;
    parm.parm.capture.timeperframe = {numerator, denominator};
    EXPECT_EQ(device.call(request, &parm), 0);
    EXPECT_EQ(parm.parm.capture.capability, std::uint32_t{V4L2_CAP_TIMEPERFRAME});
    EXPECT_EQ(parm.parm.capture.timeperframe.numerator, 1u);
    return parm.parm.capture.timeperframe.denominator;
  };
  EXPECT_EQ(frame_rate(VIDIOC_G_PARM, 0, 0), 30u);
  EXPECT_EQ(frame_rate(VIDIOC_S_PARM, 1, 15), 15u);
  EXPECT_EQ(frame_rate(VIDIOC_G_PARM, 0, 0), 15u);
  EXPECT_EQ(frame_rate(VIDIOC_S_PARM, 0, 0), 15u) << "a zero fraction keeps the rate";
  EXPECT_EQ(frame_rate(VIDIOC_S_PARM, 1, 1000), 240u);
  EXPECT_EQ(frame_rate(VIDIOC_S_PARM, 3, 4294967295u), 240u) << "rounding must not wrap";
  EXPECT_EQ(frame_rate(VIDIOC_S_PARM, 4294967295u, 1), 1u);
}

TEST_F(VirtualCameraDeviceTest, FailsRequestsItDoesNotImplementAsTheKernelDoes) {
  OpenDevice device;
  v4l2_queryctrl control{};
  control.id = V4L2_CID_BRIGHTNESS;
  EXPECT_EQ(device.call(VIDIOC_QUERYCTRL, &control), EINVAL) << "a camera without controls";
  v4l2_input input{};
  EXPECT_EQ(device.call(VIDIOC_ENUMINPUT, &input), ENOTTY);
  v4l2_format output{};
  output.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
  EXPECT_EQ(device.call(VIDIOC_G_FMT, &output), EINVAL);
  EXPECT_EQ(device.call(VIDIOC_QUERYCAP, nullptr), EFAULT);
}

TEST_F(VirtualCameraDeviceTest, MatchesTheRequestCodeOnItsLow32Bits) {
  // Code that passes the request as an int sign-extends VIDIOC_* codes
  // with the top bit set; the kernel ignores the upper half, and so must we.
  OpenDevice device;
  v4l2_capability cap{};
  const int as_int = static_cast<int>(VIDIOC_QUERYCAP);
  EXPECT_EQ(ioctl(device.fd(), static_cast<unsigned long>(static_cast<long>(as_int)), &cap), 0);
}

class VirtualCameraStreamTest : public VirtualCameraTest,
                                public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(VirtualCameraStreamTest, DeliversTheGradientNumberedFromStreamOn) {
  RawStream stream(0, 64, 24, GetParam());
  ASSERT_TRUE(stream.ok());
  v4l2_buffer queried = RawStream::describe(0);
  ASSERT_EQ(v4l2_call(stream.fd(), VIDIOC_QUERYBUF, &queried), 0);
  for (std::uint32_t k = 0; k < 6; ++k) {
    v4l2_buffer buffer;
    ASSERT_EQ(stream.dequeue(buffer), 0) << "frame " << k;
    EXPECT_EQ(buffer.sequence, k);
    EXPECT_EQ(buffer.index, k % 4) << "buffers come back in the order queued";
    EXPECT_EQ(buffer.bytesused, stream.format().sizeimage);
    EXPECT_EQ(buffer.length, queried.length) << "OpenCV asserts that the two agree";
    EXPECT_TRUE(buffer.flags & V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC);
    EXPECT_TRUE(shows_gradient(stream.data(buffer), stream.format(), k));
    ASSERT_EQ(stream.requeue(buffer), 0);
  }
  EXPECT_EQ(vcam.frames_served(0), 6u);
}

INSTANTIATE_TEST_SUITE_P(Formats, VirtualCameraStreamTest, ::testing::Values(kBgr, kYuyv),
                         [](const auto& info) { return info.param == kBgr ? "Bgr" : "Yuyv"; });

TEST_F(VirtualCameraDeviceTest, FrameNumberWrapsAt256InTheRedChannel) {
  RawStream stream(0, 16, 16, kBgr);
  ASSERT_TRUE(stream.ok());
  for (std::uint32_t k = 0; k <= 257; ++k) {
    v4l2_buffer buffer;
    ASSERT_EQ(stream.dequeue(buffer), 0);
    if (k >= 255) {
      EXPECT_TRUE(shows_gradient(stream.data(buffer), stream.format(), k));
    }
    ASSERT_EQ(stream.requeue(buffer), 0);
  }
}

TEST_F(VirtualCameraDeviceTest, RestartingTheStreamRestartsTheSequence) {
  RawStream stream(0, 32, 16, kBgr);
  ASSERT_TRUE(stream.ok());
  v4l2_buffer buffer;
  ASSERT_EQ(stream.dequeue(buffer), 0);
  ASSERT_EQ(stream.dequeue(buffer), 0);
  int type = kCapture;
  ASSERT_EQ(v4l2_call(stream.fd(), VIDIOC_STREAMOFF, &type), 0);
  for (std::uint32_t i = 0; i < 4; ++i) {
    v4l2_buffer again = RawStream::describe(i);
    ASSERT_EQ(stream.requeue(again), 0) << "STREAMOFF hands every buffer back";
  }
  ASSERT_EQ(v4l2_call(stream.fd(), VIDIOC_STREAMON, &type), 0);
  ASSERT_EQ(stream.dequeue(buffer), 0);
  EXPECT_EQ(buffer.sequence, 0u);
  EXPECT_TRUE(shows_gradient(stream.data(buffer), stream.format(), 0));
}

TEST_F(VirtualCameraDeviceTest, RejectsBufferMisuse) {
  OpenDevice device;
  EXPECT_EQ(device.stream_on(), EINVAL) << "streaming without buffers";
  EXPECT_EQ(device.request_buffers(4, V4L2_MEMORY_USERPTR), EINVAL) << "only MMAP buffers";
  ASSERT_EQ(device.request_buffers(2), 0);
  EXPECT_EQ(device.queue(2), EINVAL) << "index out of range";
  ASSERT_EQ(device.queue(0), 0);
  EXPECT_EQ(device.queue(0), EINVAL) << "queued twice";

  v4l2_buffer buffer = RawStream::describe(0);
  EXPECT_EQ(device.call(VIDIOC_DQBUF, &buffer), EINVAL) << "dequeue before STREAMON";
  ASSERT_EQ(device.stream_on(), 0);
  ASSERT_EQ(device.call(VIDIOC_DQBUF, &buffer), 0);
  EXPECT_EQ(device.call(VIDIOC_DQBUF, &buffer), EINVAL) << "dequeue with nothing queued";
  EXPECT_EQ(device.request_buffers(2), EBUSY) << "reallocating while streaming";

  v4l2_buffer queried = RawStream::describe(1);
  ASSERT_EQ(device.call(VIDIOC_QUERYBUF, &queried), 0);
  errno = 0;
  EXPECT_EQ(mmap(nullptr, queried.length, PROT_READ, MAP_SHARED, device.fd(), 12345), MAP_FAILED);
  EXPECT_EQ(errno, EINVAL) << "no buffer at that offset";
  errno = 0;
  EXPECT_EQ(mmap(nullptr, queried.length, PROT_READ, MAP_PRIVATE, device.fd(), queried.m.offset),
            MAP_FAILED);
  EXPECT_EQ(errno, EINVAL) << "buffers are shared mappings";
  errno = 0;
  EXPECT_EQ(mmap(nullptr, queried.length * 2, PROT_READ, MAP_SHARED, device.fd(), queried.m.offset),
            MAP_FAILED);
  EXPECT_EQ(errno, EINVAL) << "longer than the buffer";
}

TEST_F(VirtualCameraDeviceTest, MapsBuffersThroughMmap64) {
  RawStream stream(0, 16, 16, kBgr);
  ASSERT_TRUE(stream.ok());
  v4l2_buffer buffer;
  ASSERT_EQ(stream.dequeue(buffer), 0);
  void* data = mmap64(nullptr, buffer.length, PROT_READ, MAP_SHARED, stream.fd(), buffer.m.offset);
  ASSERT_NE(data, MAP_FAILED) << strerror(errno);
  EXPECT_TRUE(shows_gradient(static_cast<const std::uint8_t*>(data), stream.format(), 0));
  munmap(data, buffer.length);
}

TEST_F(VirtualCameraDeviceTest, DescriptorIsReadableExactlyWhenAFrameCanBeDequeued) {
  OpenDevice device;
  ASSERT_EQ(device.request_buffers(2), 0);
  ASSERT_EQ(device.queue(0), 0);
  ASSERT_EQ(device.queue(1), 0);
  EXPECT_FALSE(readable(device.fd(), 0)) << "before STREAMON";
  ASSERT_EQ(device.stream_on(), 0);
  EXPECT_TRUE(select_readable(device.fd(), 5000)) << "streaming with buffers queued";

  v4l2_buffer buffer = RawStream::describe(0);
  ASSERT_EQ(device.call(VIDIOC_DQBUF, &buffer), 0);
  ASSERT_EQ(device.call(VIDIOC_DQBUF, &buffer), 0);
  EXPECT_FALSE(readable(device.fd(), 0)) << "nothing queued";
  ASSERT_EQ(device.queue(buffer.index), 0);
  EXPECT_TRUE(readable(device.fd(), 5000)) << "a buffer queued again";
}

TEST_F(VirtualCameraDeviceTest, OnlyTheDescriptorHoldingTheBuffersMayStream) {
  OpenDevice other;
  auto streaming = std::make_unique<RawStream>(0, 32, 16, kBgr);
  ASSERT_TRUE(streaming->ok());

  EXPECT_EQ(other.request_buffers(4), EBUSY);
  EXPECT_EQ(other.queue(0), EBUSY);
  EXPECT_EQ(other.stream_on(), EBUSY);
  v4l2_format format{};
  format.type = kCapture;
  EXPECT_EQ(other.call(VIDIOC_S_FMT, &format), EBUSY) << "the format is fixed while buffers exist";
  EXPECT_EQ(other.call(VIDIOC_G_FMT, &format), 0);
  OpenDevice late;
  EXPECT_EQ(late.error(), EBUSY) << "opening a streaming camera";

  streaming.reset();
  EXPECT_EQ(other.request_buffers(4), 0) << "closing the owner frees the device";
  OpenDevice later;
  EXPECT_GE(later.fd(), 0) << strerror(later.error());
}

TEST_F(VirtualCameraDeviceTest, ForgetsADescriptorWhenItIsClosed) {
  const int fd = open("/dev/video0", O_RDWR);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(vcam.open_descriptors(0), 1);
  ASSERT_EQ(close(fd), 0);
  EXPECT_EQ(vcam.open_descriptors(0), 0);

  // The kernel hands the same number out again, now for an ordinary file.
  const int reused = open("/dev/null", O_RDWR);
  ASSERT_EQ(reused, fd);
  v4l2_capability cap{};
  EXPECT_EQ(v4l2_call(reused, VIDIOC_QUERYCAP, &cap), ENOTTY);
  close(reused);
}

struct Opener {
  const char* name;
  std::function<int(const char*)> open;
};
void PrintTo(const Opener& o, std::ostream* os) { *os << o.name; }

class VirtualCameraOpenTest : public VirtualCameraTest,
                              public ::testing::WithParamInterface<Opener> {};

TEST_P(VirtualCameraOpenTest, OpensTheVirtualDevice) {
  const int fd = GetParam().open("/dev/video0");
  ASSERT_GE(fd, 0) << strerror(errno);
  v4l2_capability cap{};
  EXPECT_EQ(v4l2_call(fd, VIDIOC_QUERYCAP, &cap), 0);
  EXPECT_EQ(vcam.open_descriptors(0), 1);
  close(fd);
}

INSTANTIATE_TEST_SUITE_P(
    Wrappers, VirtualCameraOpenTest,
    ::testing::Values(
        Opener{"open", [](const char* p) { return open(p, O_RDWR); }},
        Opener{"open64", [](const char* p) { return open64(p, O_RDWR); }},
        Opener{"openat", [](const char* p) { return openat(AT_FDCWD, p, O_RDWR); }},
        Opener{"openat64", [](const char* p) { return openat64(AT_FDCWD, p, O_RDWR); }},
        Opener{"open_2", [](const char* p) { return __open_2(p, O_RDWR); }},
        Opener{"open64_2", [](const char* p) { return __open64_2(p, O_RDWR); }},
        Opener{"openat_2", [](const char* p) { return __openat_2(AT_FDCWD, p, O_RDWR); }},
        Opener{"openat64_2", [](const char* p) { return __openat64_2(AT_FDCWD, p, O_RDWR); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VirtualCameraDeviceTest, LeavesOtherPathsToTheCLibrary) {
  // One device by default; none of these is it, and none exists here.
  for (const char* path : {"/dev/video1", "/dev/video00", "/dev/video0x", "/dev/video"}) {
    errno = 0;
    EXPECT_EQ(open(path, O_RDWR), -1) << path;
    EXPECT_EQ(errno, ENOENT) << path;
  }
  EXPECT_EQ(vcam.open_descriptors(0), 0);
}

TEST_F(VirtualCameraDeviceTest, CountsFramesAndRequestsPerDevice) {
  OpenDevice device;
  v4l2_capability cap{};
  for (int i = 0; i < 3; ++i) device.call(VIDIOC_QUERYCAP, &cap);
  v4l2_format output{};
  output.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
  device.call(VIDIOC_G_FMT, &output);
  EXPECT_EQ(vcam.ioctl_count(0, VIDIOC_QUERYCAP), 3u);
  EXPECT_EQ(vcam.ioctl_count(0, VIDIOC_G_FMT), 1u) << "failed calls count too";
  EXPECT_EQ(vcam.ioctl_count(0, VIDIOC_ENUM_FMT), 0u);
  EXPECT_EQ(vcam.frames_served(0), 0u);
  EXPECT_EQ(vcam.last_format(0, nullptr, nullptr, nullptr), -1) << "no S_FMT yet";
  EXPECT_EQ(vcam.frames_served(1), 0u) << "no such device";
  EXPECT_EQ(vcam.device_count(), 1);
}

TEST_F(VirtualCameraDeviceTest, OpenFaultFailsOpensWithEioUntilCleared) {
  ASSERT_EQ(vcam.inject_fault(0, VELMORA_VCAM_FAULT_OPEN, 0), 0);
  {
    OpenDevice device;
    EXPECT_EQ(device.error(), EIO);
  }
  ASSERT_EQ(vcam.clear_faults(0), 0);
  OpenDevice device;
  EXPECT_GE(device.fd(), 0) << strerror(device.error());
}

TEST_F(VirtualCameraDeviceTest, DisconnectFailsEveryCallWithEnodevAndWakesTheReader) {
  auto stream = std::make_unique<RawStream>(0, 32, 16, kBgr);
  ASSERT_TRUE(stream->ok());
  ASSERT_EQ(vcam.inject_fault(0, VELMORA_VCAM_FAULT_DISCONNECT, 2), 0);
  v4l2_buffer buffer;
  ASSERT_EQ(stream->dequeue(buffer), 0);
  ASSERT_EQ(stream->dequeue(buffer), 0);

  EXPECT_TRUE(readable(stream->fd(), 0)) << "a waiting select() returns";
  v4l2_buffer next;
  EXPECT_EQ(stream->dequeue(next), ENODEV);
  EXPECT_EQ(stream->requeue(buffer), ENODEV);
  v4l2_capability cap{};
  EXPECT_EQ(v4l2_call(stream->fd(), VIDIOC_QUERYCAP, &cap), ENODEV);
  errno = 0;
  EXPECT_EQ(mmap(nullptr, 4096, PROT_READ, MAP_SHARED, stream->fd(), 0), MAP_FAILED);
  EXPECT_EQ(errno, ENODEV);
  EXPECT_EQ(OpenDevice().error(), ENOENT) << "the node is gone";
  EXPECT_EQ(vcam.open_descriptors(0), 0) << "the old descriptor belongs to the old device";

  ASSERT_EQ(vcam.clear_faults(0), 0);
  RawStream again(0, 32, 16, kBgr);
  ASSERT_TRUE(again.ok()) << "the device is back, even with the old descriptor still open";
  ASSERT_EQ(again.dequeue(buffer), 0);
  EXPECT_EQ(buffer.sequence, 0u);
  stream.reset();
  EXPECT_EQ(vcam.open_descriptors(0), 1);
}

TEST_F(VirtualCameraDeviceTest, StallLeavesTheDescriptorUnreadableUntilCleared) {
  RawStream stream(0, 32, 16, kBgr);
  ASSERT_TRUE(stream.ok());
  ASSERT_EQ(vcam.inject_fault(0, VELMORA_VCAM_FAULT_STALL, 1), 0);
  v4l2_buffer buffer;
  ASSERT_EQ(stream.dequeue(buffer), 0);
  ASSERT_EQ(stream.requeue(buffer), 0);

  EXPECT_EQ(stream.dequeue(buffer), EAGAIN);
  EXPECT_FALSE(select_readable(stream.fd(), 200));

  ASSERT_EQ(vcam.clear_faults(0), 0);
  EXPECT_TRUE(select_readable(stream.fd(), 5000));
  ASSERT_EQ(stream.dequeue(buffer), 0);
  EXPECT_EQ(buffer.sequence, 1u);
}

struct BlockingCase {
  const char* name;
  // What another thread does while the reader is blocked on a stalled stream.
  std::function<void(const VirtualCameraControl&)> meanwhile;
  int expected_error;
};
void PrintTo(const BlockingCase& c, std::ostream* os) { *os << c.name; }

class VirtualCameraBlockingDequeueTest : public VirtualCameraTest,
                                         public ::testing::WithParamInterface<BlockingCase> {};

TEST_P(VirtualCameraBlockingDequeueTest, WaitsUntilTheStreamChanges) {
  RawStream stream(0, 32, 16, kBgr, 4, O_RDWR);
  ASSERT_TRUE(stream.ok());
  ASSERT_EQ(vcam.inject_fault(0, VELMORA_VCAM_FAULT_STALL, 0), 0);
  std::thread other([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    GetParam().meanwhile(vcam);
  });
  v4l2_buffer buffer;
  EXPECT_EQ(stream.dequeue(buffer), GetParam().expected_error);
  other.join();
}

INSTANTIATE_TEST_SUITE_P(
    Changes, VirtualCameraBlockingDequeueTest,
    ::testing::Values(BlockingCase{"StallCleared", [](const auto& c) { c.clear_faults(0); }, 0},
                      BlockingCase{"DeviceDisappears",
                                   [](const auto& c) {
                                     c.inject_fault(0, VELMORA_VCAM_FAULT_DISCONNECT, 0);
                                   },
                                   ENODEV}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora::testing
