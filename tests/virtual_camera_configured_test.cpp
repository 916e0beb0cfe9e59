// The virtual camera configured through its VELMORA_VCAM_* variables: three
// devices starting at 320x240 YUYV, device 2 failing to open, device 1
// disappearing after four frames, and a malformed setting.
#include <gmock/gmock.h>
#include <stdlib.h>

#include <opencv2/videoio.hpp>

#include "tests/support/expected_frames.h"
#include "tests/support/virtual_camera_fixture.h"

namespace velmora::testing {
namespace {

// The library reads its settings at the first device call of a process, and
// every test runs in a process of its own, so setting them before any test
// starts is the same as starting the process with them.  (They cannot go in
// the test's ENVIRONMENT: with CMake 3.25, gtest_discover_tests passes no
// variable beyond the first, here the preload.)
class Settings : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("VELMORA_VCAM_DEVICES", "3", 1);
    setenv("VELMORA_VCAM_SIZE", "320x240", 1);
    setenv("VELMORA_VCAM_FORMAT", "YUYV", 1);
    setenv("VELMORA_VCAM_FAULTS", "2:open,1:disconnect=4", 1);
    setenv("VELMORA_VCAM_FPS", "fast", 1);
  }
};
::testing::Environment* const kSettings = ::testing::AddGlobalTestEnvironment(new Settings);

const cv::Size kOpenCvDefaultSize(640, 480);

using VirtualCameraConfiguredTest = VirtualCameraTest;

TEST_F(VirtualCameraConfiguredTest, HasTheConfiguredNumberOfDevices) {
  EXPECT_EQ(vcam.device_count(), 3);
  errno = 0;
  EXPECT_EQ(open("/dev/video3", O_RDWR), -1) << "left to the C library";
  EXPECT_EQ(errno, ENOENT);
}

TEST_F(VirtualCameraConfiguredTest, StartsInTheConfiguredFormat) {
  const int fd = open("/dev/video0", O_RDWR);
  ASSERT_GE(fd, 0);
  v4l2_format format{};
  format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  ASSERT_EQ(v4l2_call(fd, VIDIOC_G_FMT, &format), 0);
  EXPECT_EQ(format.fmt.pix.width, 320u);
  EXPECT_EQ(format.fmt.pix.height, 240u);
  EXPECT_EQ(format.fmt.pix.pixelformat, std::uint32_t{V4L2_PIX_FMT_YUYV});
  close(fd);
}

TEST_F(VirtualCameraConfiguredTest, OpenCvStreamsTwoDevicesAtOnce) {
  cv::VideoCapture first(0, cv::CAP_V4L2);
  cv::VideoCapture second(1, cv::CAP_V4L2);
  ASSERT_TRUE(first.isOpened());
  ASSERT_TRUE(second.isOpened());
  for (int k = 1; k <= 2; ++k) {
    for (cv::VideoCapture* capture : {&first, &second}) {
      cv::Mat frame;
      ASSERT_TRUE(capture->read(frame));
      EXPECT_TRUE(same_pixels(frame, gradient_bgr_frame(kOpenCvDefaultSize, k))) << "read " << k;
    }
  }
  EXPECT_EQ(vcam.frames_served(0), 3u);
  EXPECT_EQ(vcam.frames_served(1), 3u);
}

TEST_F(VirtualCameraConfiguredTest, DeviceConfiguredToFailDoesNotOpenUntilCleared) {
  cv::VideoCapture capture(2, cv::CAP_V4L2);
  EXPECT_FALSE(capture.isOpened());
  errno = 0;
  EXPECT_EQ(open("/dev/video2", O_RDWR), -1);
  EXPECT_EQ(errno, EIO);

  ASSERT_EQ(vcam.clear_faults(2), 0);
  EXPECT_TRUE(capture.open(2, cv::CAP_V4L2));
}

TEST_F(VirtualCameraConfiguredTest, DeviceConfiguredToDisconnectGoesAfterItsFrames) {
  cv::VideoCapture capture(1, cv::CAP_V4L2);
  ASSERT_TRUE(capture.isOpened());
  cv::Mat frame;
  for (int k = 1; k <= 3; ++k) EXPECT_TRUE(capture.read(frame)) << "read " << k;
  EXPECT_FALSE(capture.read(frame));
  errno = 0;
  EXPECT_EQ(open("/dev/video1", O_RDWR), -1);
  EXPECT_EQ(errno, ENOENT);
}

TEST_F(VirtualCameraConfiguredTest, ReportsAndIgnoresAMalformedSetting) {
  ::testing::internal::CaptureStderr();
  const int fd = open("/dev/video0", O_RDWR);
  EXPECT_THAT(::testing::internal::GetCapturedStderr(),
              ::testing::HasSubstr("ignoring VELMORA_VCAM_FPS=\"fast\""));
  ASSERT_GE(fd, 0);
  // Unpaced, as without the setting: the device takes the rate it is given.
  v4l2_streamparm parm{};
  parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  parm.parm.capture.timeperframe = {1, 15};
  ASSERT_EQ(v4l2_call(fd, VIDIOC_S_PARM, &parm), 0);
  EXPECT_EQ(parm.parm.capture.timeperframe.denominator, 15u);
  close(fd);
}

}  // namespace
}  // namespace velmora::testing
