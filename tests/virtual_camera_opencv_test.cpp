// OpenCV's own, unmodified V4L2 capture running on the virtual camera:
// bit-exact frames, size changes, release and reopen, a second user, YUYV,
// and the faults as OpenCV meets them.
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include "tests/support/expected_frames.h"
#include "tests/support/virtual_camera_fixture.h"

namespace velmora::testing {
namespace {

const cv::Size kOpenCvDefaultSize(640, 480);

class VirtualCameraOpenCvTest : public VirtualCameraTest {
 protected:
  static cv::Mat read(cv::VideoCapture& capture) {
    cv::Mat frame;
    EXPECT_TRUE(capture.read(frame));
    return frame;
  }
};

class VirtualCameraOpenCvApiTest : public VirtualCameraOpenCvTest,
                                   public ::testing::WithParamInterface<int> {};

TEST_P(VirtualCameraOpenCvApiTest, ReadsBitExactGradientFrames) {
  cv::VideoCapture capture(0, GetParam());
  ASSERT_TRUE(capture.isOpened());
  EXPECT_EQ(capture.getBackendName(), "V4L2");
  // OpenCV drops frame 0 when it starts the stream: its k-th read shows k.
  for (int k = 1; k <= 3; ++k) {
    EXPECT_TRUE(same_pixels(read(capture), gradient_bgr_frame(kOpenCvDefaultSize, k)))
        << "read " << k;
  }
}

INSTANTIATE_TEST_SUITE_P(Apis, VirtualCameraOpenCvApiTest,
                         ::testing::Values(cv::CAP_V4L2, cv::CAP_ANY), [](const auto& info) {
                           return info.param == cv::CAP_V4L2 ? "V4l2" : "Any";
                         });

struct SizeCase {
  const char* name;
  cv::Size requested;
  cv::Size delivered;
};
void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.name; }

class VirtualCameraOpenCvSizeTest : public VirtualCameraOpenCvTest,
                                    public ::testing::WithParamInterface<SizeCase> {};

TEST_P(VirtualCameraOpenCvSizeTest, SettingTheSizeRestartsTheStreamAtTheDeviceSize) {
  const SizeCase& c = GetParam();
  cv::VideoCapture capture(0, cv::CAP_V4L2);
  ASSERT_TRUE(capture.isOpened());
  read(capture);
  EXPECT_TRUE(capture.set(cv::CAP_PROP_FRAME_WIDTH, c.requested.width));
  EXPECT_TRUE(capture.set(cv::CAP_PROP_FRAME_HEIGHT, c.requested.height));
  EXPECT_EQ(capture.get(cv::CAP_PROP_FRAME_WIDTH), c.delivered.width);
  EXPECT_EQ(capture.get(cv::CAP_PROP_FRAME_HEIGHT), c.delivered.height);
  for (int k = 1; k <= 2; ++k) {
    EXPECT_TRUE(same_pixels(read(capture), gradient_bgr_frame(c.delivered, k))) << "read " << k;
  }
  std::uint32_t width = 0, height = 0, fourcc = 0;
  ASSERT_EQ(vcam.last_format(0, &width, &height, &fourcc), 0);
  EXPECT_EQ(cv::Size(width, height), c.delivered);
  EXPECT_EQ(fourcc, std::uint32_t{V4L2_PIX_FMT_BGR24});
}

INSTANTIATE_TEST_SUITE_P(Sizes, VirtualCameraOpenCvSizeTest,
                         ::testing::Values(SizeCase{"Smaller", {320, 240}, {320, 240}},
                                           SizeCase{"OddWidth", {641, 479}, {641, 479}},
                                           SizeCase{"BelowMinimum", {8, 4}, {16, 16}},
                                           SizeCase{"AboveMaximum", {5000, 3000}, {3840, 2160}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(VirtualCameraOpenCvTest, TakesTheSizeASmallerSensorAdjustsTo) {
  ASSERT_EQ(vcam.limit_size(0, 320, 240), 0);
  cv::VideoCapture capture(0, cv::CAP_V4L2);
  ASSERT_TRUE(capture.isOpened());
  EXPECT_EQ(capture.get(cv::CAP_PROP_FRAME_WIDTH), 320);
  EXPECT_EQ(capture.get(cv::CAP_PROP_FRAME_HEIGHT), 240);
  EXPECT_TRUE(same_pixels(read(capture), gradient_bgr_frame({320, 240}, 1)));
}

TEST_F(VirtualCameraOpenCvTest, CannotOpenAnIndexWithoutADevice) {
  // Only V4L2 is asked, then every backend (GStreamer first, which fails
  // here for want of a V4L2 source element).
  for (int api : {int{cv::CAP_V4L2}, int{cv::CAP_ANY}}) {
    cv::VideoCapture capture(1, api);
    EXPECT_FALSE(capture.isOpened()) << "api " << api;
  }
}

TEST_F(VirtualCameraOpenCvTest, ReleasesTheDeviceAndOpensItAgain) {
  cv::VideoCapture capture(0, cv::CAP_V4L2);
  ASSERT_TRUE(capture.isOpened());
  read(capture);
  read(capture);
  capture.release();
  EXPECT_EQ(vcam.open_descriptors(0), 0);
  EXPECT_EQ(vcam.frames_served(0), 3u);

  ASSERT_TRUE(capture.open(0, cv::CAP_V4L2));
  EXPECT_TRUE(same_pixels(read(capture), gradient_bgr_frame(kOpenCvDefaultSize, 1)))
      << "a new stream starts again from frame 0";
  EXPECT_EQ(vcam.frames_served(0), 5u);
}

class VirtualCameraOpenCvSecondUserTest : public VirtualCameraOpenCvTest,
                                          public ::testing::WithParamInterface<bool> {};

TEST_P(VirtualCameraOpenCvSecondUserTest, SecondCaptureOfABusyCameraFails) {
  const bool first_is_streaming = GetParam();
  cv::VideoCapture first(0, cv::CAP_V4L2);
  ASSERT_TRUE(first.isOpened());
  if (first_is_streaming) read(first);

  // Refused at open() while streaming, and at S_FMT while the first holds
  // buffers: either way OpenCV gives up on EBUSY.
  cv::VideoCapture second(0, cv::CAP_V4L2);
  EXPECT_FALSE(second.isOpened());
  EXPECT_TRUE(
      same_pixels(read(first), gradient_bgr_frame(kOpenCvDefaultSize, first_is_streaming ? 2 : 1)))
      << "the first capture is undisturbed";

  first.release();
  EXPECT_TRUE(second.open(0, cv::CAP_V4L2));
}

INSTANTIATE_TEST_SUITE_P(FirstCapture, VirtualCameraOpenCvSecondUserTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Streaming" : "Opened"; });

TEST_F(VirtualCameraOpenCvTest, ReadFailsWithoutCrashingWhenTheDeviceDisappears) {
  cv::VideoCapture capture(0, cv::CAP_V4L2);
  ASSERT_TRUE(capture.isOpened());
  // Frame 0 (dropped by OpenCV) and two reads, then the device is gone.
  ASSERT_EQ(vcam.inject_fault(0, VELMORA_VCAM_FAULT_DISCONNECT, 3), 0);
  read(capture);
  read(capture);
  cv::Mat frame;
  EXPECT_FALSE(capture.read(frame));
  EXPECT_FALSE(capture.read(frame));
  capture.release();

  ASSERT_EQ(vcam.clear_faults(0), 0);
  ASSERT_TRUE(capture.open(0, cv::CAP_V4L2));
  EXPECT_TRUE(same_pixels(read(capture), gradient_bgr_frame(kOpenCvDefaultSize, 1)));
}

TEST_F(VirtualCameraOpenCvTest, ReadFailsWhenNoFrameComesWithinTheSelectTimeout) {
  // OpenCV reads how long to wait for a frame (10 s by default) when it
  // first has to wait, which nothing earlier in this process did.
  ASSERT_EQ(setenv("OPENCV_VIDEOIO_V4L_SELECT_TIMEOUT", "1", 1), 0);
  cv::VideoCapture capture(0, cv::CAP_V4L2);
  ASSERT_TRUE(capture.isOpened());
  ASSERT_EQ(vcam.inject_fault(0, VELMORA_VCAM_FAULT_STALL, 2), 0);
  read(capture);
  cv::Mat frame;
  EXPECT_FALSE(capture.read(frame));
  EXPECT_EQ(vcam.frames_served(0), 2u);
}

TEST_F(VirtualCameraOpenCvTest, OpenFailsWhileTheOpenFaultIsSet) {
  ASSERT_EQ(vcam.inject_fault(0, VELMORA_VCAM_FAULT_OPEN, 0), 0);
  cv::VideoCapture capture(0, cv::CAP_V4L2);
  EXPECT_FALSE(capture.isOpened());
  ASSERT_EQ(vcam.clear_faults(0), 0);
  EXPECT_TRUE(capture.open(0, cv::CAP_V4L2));
}

TEST_F(VirtualCameraOpenCvTest, DeliversYuyvConvertedAndRaw) {
  cv::VideoCapture capture(0, cv::CAP_V4L2);
  ASSERT_TRUE(capture.isOpened());
  const int yuyv = cv::VideoWriter::fourcc('Y', 'U', 'Y', 'V');
  ASSERT_TRUE(capture.set(cv::CAP_PROP_FOURCC, yuyv));
  EXPECT_EQ(static_cast<int>(capture.get(cv::CAP_PROP_FOURCC)), yuyv);
  std::uint32_t fourcc = 0;
  ASSERT_EQ(vcam.last_format(0, nullptr, nullptr, &fourcc), 0);
  EXPECT_EQ(fourcc, std::uint32_t{V4L2_PIX_FMT_YUYV});

  cv::Mat converted;
  cv::cvtColor(gradient_yuyv_frame(kOpenCvDefaultSize, 1), converted, cv::COLOR_YUV2BGR_YUYV);
  EXPECT_TRUE(same_pixels(read(capture), converted));

  ASSERT_TRUE(capture.set(cv::CAP_PROP_CONVERT_RGB, 0));
  const cv::Mat raw = read(capture);
  EXPECT_TRUE(same_pixels(raw, gradient_yuyv_frame(kOpenCvDefaultSize, 2)))
      << "without conversion OpenCV hands over the buffer's bytes, two per pixel";
}

TEST_F(VirtualCameraOpenCvTest, FrameRateRoundTripsThroughTheDevice) {
  cv::VideoCapture capture(0, cv::CAP_V4L2);
  ASSERT_TRUE(capture.isOpened());
  EXPECT_EQ(capture.get(cv::CAP_PROP_FPS), 30);
  EXPECT_TRUE(capture.set(cv::CAP_PROP_FPS, 15));
  EXPECT_EQ(capture.get(cv::CAP_PROP_FPS), 15);
}

TEST_F(VirtualCameraOpenCvTest, ControlInterfaceCountsWhatOpenCvAsked) {
  cv::VideoCapture capture(0, cv::CAP_V4L2);
  ASSERT_TRUE(capture.isOpened());
  for (int k = 0; k < 3; ++k) read(capture);
  EXPECT_EQ(vcam.frames_served(0), 4u) << "three reads and the frame OpenCV drops";
  EXPECT_EQ(vcam.ioctl_count(0, VIDIOC_DQBUF), 4u);
  EXPECT_EQ(vcam.ioctl_count(0, VIDIOC_QUERYCAP), 1u);
  EXPECT_EQ(vcam.ioctl_count(0, VIDIOC_STREAMON), 1u);
  EXPECT_EQ(vcam.open_descriptors(0), 1);
}

}  // namespace
}  // namespace velmora::testing
