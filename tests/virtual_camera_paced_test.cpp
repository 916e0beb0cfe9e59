// The virtual camera paced at 4 frames per second and drawing its demo
// pattern: frames become ready at their time and the descriptor with them,
// and the demo shows its bars and frame number.
#include <poll.h>
#include <stdlib.h>
#include <sys/select.h>

#include <opencv2/videoio.hpp>

#include "tests/support/virtual_camera_fixture.h"

namespace velmora::testing {
namespace {

constexpr std::uint32_t kFps = 4;
constexpr std::int64_t kPeriodUs = 1000000 / kFps;

// Put in the environment before the first device call reads it; see
// virtual_camera_configured_test.cpp.
class Settings : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("VELMORA_VCAM_FPS", "4", 1);
    setenv("VELMORA_VCAM_PATTERN", "demo", 1);
  }
};
::testing::Environment* const kSettings = ::testing::AddGlobalTestEnvironment(new Settings);

struct Bgr {
  int b, g, r;
  bool operator==(const Bgr& o) const { return b == o.b && g == o.g && r == o.r; }
};
void PrintTo(const Bgr& p, std::ostream* os) {
  *os << "(" << p.b << ", " << p.g << ", " << p.r << ")";
}

// Reads a BGR24 frame laid out as the demo pattern's description in
// virtual_camera/README.md says.
class DemoFrame {
 public:
  DemoFrame(const std::uint8_t* data, std::uint32_t width, std::uint32_t height,
            std::uint32_t stride)
      : data_(data), width_(width), height_(height), stride_(stride) {}

  Bgr at(std::uint32_t x, std::uint32_t y) const {
    const std::uint8_t* p = data_ + y * stride_ + x * 3;
    return {p[0], p[1], p[2]};
  }

  // The 16-cell bar code on the right half of the text strip.
  std::uint32_t bar_code() const {
    const std::uint32_t band_end = height_ * 6 / 8;
    const std::uint32_t strip = height_ - band_end;
    const std::uint32_t text_height = strip * 3 / 4;
    const std::uint32_t y = band_end + (strip - text_height) / 2 + text_height / 2;
    const std::uint32_t left = width_ / 2;
    const std::uint32_t cell = (width_ - left) / 16;
    std::uint32_t code = 0;
    for (std::uint32_t bit = 0; bit < 16; ++bit) {
      code = code << 1 | (at(left + bit * cell + cell / 2, y).g > 128 ? 1 : 0);
    }
    return code;
  }

  // Left edge of the white square in the band under the bars.
  std::uint32_t square_left() const {
    const std::uint32_t y = height_ * 11 / 16;
    for (std::uint32_t x = 0; x < width_; ++x) {
      if (at(x, y) == Bgr{255, 255, 255}) return x;
    }
    return width_;
  }

 private:
  const std::uint8_t* data_;
  std::uint32_t width_, height_, stride_;
};

std::int64_t microseconds(const timeval& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1000000 + t.tv_usec;
}

using VirtualCameraPacedTest = VirtualCameraTest;

TEST_F(VirtualCameraPacedTest, ReportsItsOwnFrameRateWhateverIsAsked) {
  const int fd = open("/dev/video0", O_RDWR);
  ASSERT_GE(fd, 0);
  v4l2_streamparm parm{};
  parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  parm.parm.capture.timeperframe = {1, 30};
  ASSERT_EQ(v4l2_call(fd, VIDIOC_S_PARM, &parm), 0);
  EXPECT_EQ(parm.parm.capture.timeperframe.numerator, 1u);
  EXPECT_EQ(parm.parm.capture.timeperframe.denominator, kFps);
  close(fd);
}

TEST_F(VirtualCameraPacedTest, FrameBecomesReadyAndTheDescriptorReadableAtItsTime) {
  RawStream stream(0, 640, 480, V4L2_PIX_FMT_BGR24);
  ASSERT_TRUE(stream.ok());
  v4l2_buffer first;
  ASSERT_EQ(stream.dequeue(first), 0) << "frame 0 is ready at STREAMON";
  EXPECT_EQ(first.sequence, 0u);

  v4l2_buffer next;
  EXPECT_EQ(stream.dequeue(next), EAGAIN) << "frame 1 is a quarter second away";
  EXPECT_FALSE(select_readable(stream.fd(), 0));
  ASSERT_TRUE(select_readable(stream.fd(), 5000));
  ASSERT_EQ(stream.dequeue(next), 0);
  EXPECT_GE(next.sequence, 1u);
  // Each frame is stamped with its own time on the device's clock.
  EXPECT_NEAR(microseconds(next.timestamp) - microseconds(first.timestamp),
              next.sequence * kPeriodUs, 1);
}

TEST_F(VirtualCameraPacedTest, OpenCvWaitsForEachFrameInTurn) {
  cv::VideoCapture capture(0, cv::CAP_V4L2);
  ASSERT_TRUE(capture.isOpened());
  std::uint32_t previous = 0;
  for (int k = 1; k <= 3; ++k) {
    cv::Mat frame;
    ASSERT_TRUE(capture.read(frame)) << "read " << k;
    ASSERT_EQ(frame.type(), CV_8UC3);
    const std::uint32_t number =
        DemoFrame(frame.data, frame.cols, frame.rows, frame.step).bar_code();
    EXPECT_GT(number, previous) << "read " << k;
    previous = number;
  }
}

TEST_F(VirtualCameraPacedTest, DemoShowsColourBarsAMovingSquareAndTheFrameNumber) {
  RawStream stream(0, 640, 480, V4L2_PIX_FMT_BGR24);
  ASSERT_TRUE(stream.ok());
  v4l2_buffer buffer;
  ASSERT_EQ(stream.dequeue(buffer), 0);
  const DemoFrame frame0(stream.data(buffer), 640, 480, stream.format().bytesperline);
  const Bgr bars[] = {{255, 255, 255}, {0, 255, 255}, {255, 255, 0}, {0, 255, 0},
                      {255, 0, 255},   {0, 0, 255},   {255, 0, 0},   {0, 0, 0}};
  for (std::uint32_t i = 0; i < 8; ++i) {
    EXPECT_EQ(frame0.at(i * 80 + 40, 10), bars[i]) << "bar " << i;
  }
  EXPECT_EQ(frame0.bar_code(), 0u);
  EXPECT_EQ(frame0.square_left(), 0u);
  ASSERT_EQ(stream.requeue(buffer), 0);

  ASSERT_TRUE(select_readable(stream.fd(), 5000));
  ASSERT_EQ(stream.dequeue(buffer), 0);
  const DemoFrame later(stream.data(buffer), 640, 480, stream.format().bytesperline);
  EXPECT_EQ(later.bar_code(), buffer.sequence);
  EXPECT_GT(later.square_left(), 0u) << "frame " << buffer.sequence;
}

TEST_F(VirtualCameraPacedTest, DemoInYuyvUsesLimitedRangeBt601) {
  RawStream stream(0, 640, 480, V4L2_PIX_FMT_YUYV);
  ASSERT_TRUE(stream.ok());
  v4l2_buffer buffer;
  ASSERT_EQ(stream.dequeue(buffer), 0);
  const std::uint8_t* white = stream.data(buffer);
  EXPECT_EQ(white[0], 235) << "white's luma";
  EXPECT_EQ(white[1], 128) << "no chroma";
  EXPECT_EQ(white[3], 128);
  const std::uint8_t* black = white + 639 * 2;
  EXPECT_EQ(black[0], 16) << "black's luma";
}

}  // namespace
}  // namespace velmora::testing
