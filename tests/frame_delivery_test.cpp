// GrabData end to end on the virtual camera: every frame turned and flipped
// as the settings say, the overlay drawn on it, and the result copied into the
// script's bitmap.  Expected pixels come from the documented pattern alone.
#include <opencv2/imgproc.hpp>

#include "tests/support/extension_fixture.h"
#include "tests/support/oriented_pattern.h"
#include "tests/support/virtual_camera.h"

namespace velmora::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr int kWidth = 64;
constexpr int kHeight = 48;

class FrameDeliveryTest : public ExtensionTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(VirtualCamera::loaded()) << "the virtual camera is not preloaded";
    ExtensionTest::SetUp();
    initCam(0);
    host::pumpEvents();
    ASSERT_TRUE(running());
  }

  static std::shared_ptr<host::Bitmap> bitmap(int width, int height, uint32_t stride = 0,
                                              uint32_t fill = 0x5a5a5a5au) {
    host::BitmapSpec spec;
    spec.width = uint32_t(width);
    spec.height = uint32_t(height);
    spec.lineStride32 = stride;
    spec.fill = fill;
    return std::make_shared<host::Bitmap>(spec);
  }

  void grab(const std::shared_ptr<host::Bitmap>& into) {
    EXPECT_EQ(call("GrabData", {Value::bitmap(into)}), nullptr);
  }

  // The frame buffer as it went to the bitmap must be the bitmap's content.
  void expectFrameBufferShows(const host::Bitmap& shown) {
    ASSERT_EQ(frameBuffer().type(), CV_8UC3);
    EXPECT_EQ(firstDifference(shown, frameBuffer()), "");
  }
};

// The six ways a frame can be turned and flipped, plus flip codes beyond
// -1 and 1 that must act as their sign.
class OrientationTest : public FrameDeliveryTest,
                        public ::testing::WithParamInterface<Orientation> {};

TEST_P(OrientationTest, EveryPixelComesFromWhereTheSettingsSay) {
  const Orientation o = GetParam();
  setCamInfo(kWidth, kHeight, o.rotate ? 1.0 : 0.0, o.flip, 0);
  const int width = o.rotate ? kHeight : kWidth;
  const int height = o.rotate ? kWidth : kHeight;
  for (uint64_t frame = 1; frame <= 2; ++frame) {
    auto target = bitmap(width, height);
    grab(target);
    EXPECT_EQ(firstDifference(*target, orientedPattern(o, kWidth, kHeight, frame)), "")
        << describe(o) << ", frame " << frame;
    expectFrameBufferShows(*target);
  }
}

INSTANTIATE_TEST_SUITE_P(AllSettings, OrientationTest,
                         ::testing::Values(Orientation{false, 0}, Orientation{false, 1},
                                           Orientation{false, -1}, Orientation{true, 0},
                                           Orientation{true, 1}, Orientation{true, -1},
                                           Orientation{false, 2}, Orientation{false, -5},
                                           Orientation{true, 2}, Orientation{true, -5}),
                         [](const auto& info) {
                           return std::string(info.param.rotate ? "Rotated" : "Upright") + "Flip" +
                                  (info.param.flip < 0 ? "Minus" : "") +
                                  std::to_string(std::abs(info.param.flip));
                         });

TEST_F(FrameDeliveryTest, BeforeAnySettingFramesComeOutUpsideDown) {
  auto target = bitmap(VirtualCamera::kDefaultWidth, VirtualCamera::kDefaultHeight);
  grab(target);
  EXPECT_EQ(firstDifference(*target, orientedPattern({false, 0}, VirtualCamera::kDefaultWidth,
                                                     VirtualCamera::kDefaultHeight, 1)),
            "");
}

TEST_F(FrameDeliveryTest, APixelsBytesBecomeBlueGreenRedAndOpaqueAlpha) {
  // Mirrored, the pixel of column 10 and row 20 of frame 30 (blue 10,
  // green 20, red 30) lands in column kWidth - 11 of row 20.
  setCamInfo(kWidth, kHeight, 0.0, 1, 0);
  auto target = bitmap(kWidth, kHeight);
  for (int frame = 1; frame <= 30; ++frame) grab(target);
  const auto* bytes = reinterpret_cast<const uint8_t*>(&target->words()[20 * kWidth + kWidth - 11]);
  EXPECT_THAT(std::vector<uint8_t>(bytes, bytes + 4), ElementsAre(10, 20, 30, 255));
}

TEST_F(FrameDeliveryTest, TheBitmapsFlagsChangeNothing) {
  setCamInfo(kWidth, kHeight, 0.0, 1, 0);
  uint64_t frame = 0;
  for (int flags = 0; flags < 8; ++flags) {
    host::BitmapSpec spec{kWidth, kHeight};
    spec.hasAlpha = flags & 1;
    spec.isPremultiplied = flags & 2;
    spec.isInvertedY = flags & 4;
    auto target = std::make_shared<host::Bitmap>(spec);
    grab(target);
    EXPECT_EQ(firstDifference(*target, orientedPattern({false, 1}, kWidth, kHeight, ++frame)), "")
        << "hasAlpha " << spec.hasAlpha << " isPremultiplied " << spec.isPremultiplied
        << " isInvertedY " << spec.isInvertedY;
  }
}

TEST_F(FrameDeliveryTest, RowsAreWrittenAtTheStrideAndThePaddingIsLeftAlone) {
  setCamInfo(kWidth, kHeight, 1.0, -1, 0);
  constexpr uint32_t kStride = kHeight + 7;
  constexpr uint32_t kPadding = 0xdeadbeefu;
  auto target = bitmap(kHeight, kWidth, kStride, kPadding);
  grab(target);
  EXPECT_EQ(firstDifference(*target, orientedPattern({true, -1}, kWidth, kHeight, 1)), "");
  for (uint32_t row = 0; row < target->height(); ++row) {
    for (uint32_t column = kHeight; column < kStride; ++column) {
      ASSERT_EQ(target->at(column, row), kPadding) << "row " << row << " column " << column;
    }
  }
}

TEST_F(FrameDeliveryTest, ABitmapOfAnotherSizeIsAcquiredReleasedAndLeftUntouched) {
  setCamInfo(kWidth, kHeight, 1.0, 0, 0);
  struct Case {
    int width, height;
    uint32_t stride;
  };
  // After the rotation the frame is kHeight wide and kWidth high.
  const Case cases[] = {{kHeight + 1, kWidth, 0},      {kHeight, kWidth + 1, 0},
                        {kWidth, kHeight, 0},  // the capture's size, not the turned one
                        {kHeight - 1, kWidth, 0},      {0, 0, 0},
                        {kHeight, kWidth, kHeight - 1}};  // rows would overlap
  for (const Case& c : cases) {
    auto target = bitmap(c.width, c.height, c.stride);
    const auto before = target->snapshot();
    host::clearRecords();
    grab(target);
    EXPECT_EQ(target->snapshot(), before) << c.width << "x" << c.height << " stride " << c.stride;
    EXPECT_THAT(operationNames(), ElementsAre("FREAcquireBitmapData2", "FREReleaseBitmapData"));
  }
  // A bitmap of the right size is then filled.
  auto target = bitmap(kHeight, kWidth);
  grab(target);
  EXPECT_EQ(firstDifference(*target, frameBuffer()), "");
  EXPECT_EQ(frameBuffer().cols, kHeight);
  EXPECT_EQ(frameBuffer().rows, kWidth);
}

TEST_F(FrameDeliveryTest, WithoutABitmapTheFrameIsStillReadAndNothingIsAcquired) {
  setCamInfo(kWidth, kHeight, 0.0, 1, 0);
  call("GrabData", {});  // starts the stream, which drops its first frame
  for (const std::vector<Value>& args :
       {std::vector<Value>{}, {Value::null()}, {Value::integer(3)}, {Value::string("bitmap")}}) {
    const uint64_t served = VirtualCamera::framesServed(0);
    host::clearRecords();
    call("GrabData", args);
    EXPECT_EQ(VirtualCamera::framesServed(0), served + 1);
    EXPECT_EQ(frameBuffer().cols, kWidth);
    for (const auto& op : host::operations()) {
      EXPECT_NE(op.operation, "FREReleaseBitmapData") << "released what was never acquired";
    }
  }
}

TEST_F(FrameDeliveryTest, WhileClosedNothingIsReadOrTouched) {
  setCamInfo(kWidth, kHeight, 0.0, 1, 0);
  auto first = bitmap(kWidth, kHeight);
  grab(first);
  call("InitCam", {Value::integer(5)});  // fails and closes the camera
  const cv::Mat kept = frameBuffer().clone();
  const uint64_t served = VirtualCamera::framesServed(0);
  auto target = bitmap(kWidth, kHeight);
  const auto before = target->snapshot();
  host::clearRecords();
  grab(target);
  EXPECT_THAT(host::operations(), IsEmpty());
  EXPECT_EQ(target->snapshot(), before);
  EXPECT_EQ(VirtualCamera::framesServed(0), served);
  EXPECT_EQ(cv::norm(frameBuffer(), kept, cv::NORM_INF), 0.0);
}

// The debug overlay, compared with OpenCV's own drawing of the same text at
// the same place on the expected frame.
class OverlayTest : public FrameDeliveryTest {
 protected:
  static cv::Mat withText(cv::Mat frame) {
    const std::string text = "Display performance: " + std::to_string(frame.cols) + " x " +
                             std::to_string(frame.rows) + " ";
    cv::putText(frame, text, cv::Point(8, 64), cv::FONT_HERSHEY_COMPLEX_SMALL, 1.0,
                cv::Scalar(0, 255, 0, 255), 1, cv::LINE_8, false);
    return frame;
  }
};

TEST_F(OverlayTest, ShowsTheSizeAfterRotationAndGoesAwayWhenSwitchedOff) {
  constexpr int kCaptureWidth = 320;
  constexpr int kCaptureHeight = 240;
  for (const Orientation o : {Orientation{true, 1}, Orientation{false, 0}, Orientation{true, -1}}) {
    setCamInfo(kCaptureWidth, kCaptureHeight, o.rotate ? 1.0 : 0.0, o.flip, 1);
    const int width = o.rotate ? kCaptureHeight : kCaptureWidth;
    const int height = o.rotate ? kCaptureWidth : kCaptureHeight;
    auto target = bitmap(width, height);
    grab(target);
    const cv::Mat plain = orientedPattern(o, kCaptureWidth, kCaptureHeight, 1);
    const cv::Mat expected = withText(plain.clone());
    ASSERT_GT(cv::norm(expected, plain, cv::NORM_L1), 0.0) << "the text fell outside the frame";
    EXPECT_EQ(firstDifference(*target, expected), "") << describe(o);
    expectFrameBufferShows(*target);

    setCamInfo(kCaptureWidth, kCaptureHeight, o.rotate ? 1.0 : 0.0, o.flip, 0);
    grab(target);
    EXPECT_EQ(firstDifference(*target, orientedPattern(o, kCaptureWidth, kCaptureHeight, 1)), "")
        << describe(o) << " with the overlay switched off";
  }
}

TEST_F(OverlayTest, IsClippedToASmallFrame) {
  setCamInfo(16, 16, 1.0, 1, 1);
  auto target = bitmap(16, 16);
  grab(target);
  EXPECT_EQ(firstDifference(*target, withText(orientedPattern({true, 1}, 16, 16, 1))), "");
}

}  // namespace
}  // namespace velmora::testing

namespace velmora::testing {
namespace {

// OpenCV reports failures by throwing once the capture is in exception mode;
// nothing of that may reach the runtime, and no bitmap may stay acquired.
class CaptureExceptionTest : public FrameDeliveryTest {
 protected:
  void SetUp() override {
    FrameDeliveryTest::SetUp();
    setCamInfo(kWidth, kHeight, 0.0, 1, 0);
    call("GrabData", {});
    camera().setExceptionMode(true);
    VirtualCamera::injectFault(0, VELMORA_VCAM_FAULT_DISCONNECT);
  }
};

TEST_F(CaptureExceptionTest, AFailedReadEndsTheGrabBeforeTheBitmapIsAcquired) {
  auto target = bitmap(kWidth, kHeight);
  const auto before = target->snapshot();
  host::clearRecords();
  EXPECT_EQ(call("GrabData", {Value::bitmap(target)}), nullptr);
  EXPECT_THAT(host::operations(), IsEmpty());
  EXPECT_EQ(target->snapshot(), before);
  EXPECT_TRUE(running());
}

TEST_F(CaptureExceptionTest, AFailedSizeChangeKeepsTheSwitchesAndTheRecordedSize) {
  const double width = cameraWidth();
  const double height = cameraHeight();
  EXPECT_EQ(call("SetCamInfo", {Value::integer(320), Value::integer(240), Value::number(1.0),
                                Value::integer(-1), Value::integer(1)}),
            nullptr);
  EXPECT_TRUE(rotation());
  EXPECT_EQ(flip(), -1);
  EXPECT_TRUE(debugModel());
  EXPECT_EQ(cameraWidth(), width);
  EXPECT_EQ(cameraHeight(), height);
}

}  // namespace
}  // namespace velmora::testing
