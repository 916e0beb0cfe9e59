// A camera that misbehaves: it disappears mid-stream, stops delivering,
// refuses to open, or delivers another size than asked for.  Whatever the
// camera does, GrabData fills a bitmap with one whole frame or leaves it
// untouched, the camera state stays consistent, and once the fault is gone
// InitCam brings the camera back.
#include <dirent.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/extension_fixture.h"
#include "tests/support/oriented_pattern.h"
#include "tests/support/virtual_camera_fixture.h"

namespace velmora::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr Orientation kUpright{false, 1};
constexpr Orientation kTurned{true, -1};
// Every word the extension writes is opaque; this fill is not, so a word
// still holding it was not written.
constexpr uint32_t kFill = 0x005a5a5au;
constexpr uint32_t kPadding = 3;

enum class Grab { Filled, Untouched };

void PrintTo(Grab g, std::ostream* out) { *out << (g == Grab::Filled ? "filled" : "untouched"); }

int openFileDescriptors() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir) != nullptr) ++count;
    closedir(dir);
  }
  return count;
}

class CameraFaultsTest : public ExtensionTest {
 protected:
  void SetUp() override {
    ExtensionTest::SetUp();
    ASSERT_TRUE(vcam.complete()) << "the virtual camera is not preloaded";
    ASSERT_EQ(vcam.device_count(), 2) << "the test environment sets VELMORA_VCAM_DEVICES=2";
  }

  void TearDown() override {
    expectConsistentState();
    ExtensionTest::TearDown();
  }

  // Opens camera `index` and asks for kWidth x kHeight frames turned as `o` says.
  void openCamera(int32_t index, const Orientation& o = kUpright) {
    initCam(index);
    ASSERT_TRUE(running()) << "camera " << index << " did not open";
    setCamInfo(kWidth, kHeight, o.rotate ? 1.0 : 0.0, o.flip, 0);
  }

  // Grabs into a padded bitmap of `width` x `height`.  A bitmap written
  // anywhere but its rows, or with anything but the whole frame buffer,
  // fails the test.
  Grab grab(int width, int height) {
    host::BitmapSpec spec{uint32_t(width), uint32_t(height), uint32_t(width) + kPadding};
    spec.fill = kFill;
    lastBitmap_ = std::make_shared<host::Bitmap>(spec);
    const std::vector<uint32_t> before = lastBitmap_->snapshot();
    EXPECT_EQ(call("GrabData", {Value::bitmap(lastBitmap_)}), nullptr);
    expectConsistentState();
    if (lastBitmap_->snapshot() == before) return Grab::Untouched;
    EXPECT_EQ(firstDifference(*lastBitmap_, frameBuffer()), "") << "not the frame buffer's frame";
    for (uint32_t row = 0; row < lastBitmap_->height(); ++row) {
      for (uint32_t column = lastBitmap_->width(); column < lastBitmap_->lineStride32(); ++column) {
        EXPECT_EQ(lastBitmap_->at(column, row), kFill) << "padding of row " << row << " written";
      }
    }
    return Grab::Filled;
  }

  std::vector<Grab> grabs(int count, int width, int height) {
    std::vector<Grab> outcomes;
    for (int i = 0; i < count; ++i) outcomes.push_back(grab(width, height));
    return outcomes;
  }

  // The last bitmap shows, pixel for pixel, one frame of the pattern of a
  // `width` x `height` capture turned as `o` says.  The frame number is the
  // red byte, the same in every pixel of one frame.
  void expectPatternFrame(const Orientation& o, int width = kWidth, int height = kHeight) {
    const uint64_t frame = (lastBitmap_->at(0, 0) >> 16) & 0xffu;
    EXPECT_EQ(firstDifference(*lastBitmap_, orientedPattern(o, width, height, frame)), "");
  }

  // A capture of kWidth x kHeight turned as `o` says fills bitmaps again.
  void expectDelivering(const Orientation& o) {
    const int width = o.rotate ? kHeight : kWidth;
    const int height = o.rotate ? kWidth : kHeight;
    for (int i = 0; i < 2; ++i) {
      ASSERT_EQ(grab(width, height), Grab::Filled) << "grab " << i;
      expectPatternFrame(o);
    }
  }

  void expectConsistentState() {
    for (const char* flag : {"mCamIsRunning", "mRotation", "mDebugModel"}) {
      EXPECT_LE(extension().variable<uint8_t>(flag), 1) << flag << " is neither 0 nor 1";
    }
    EXPECT_EQ(running(), camera().isOpened());
    EXPECT_THAT(host::misuse(), IsEmpty());
  }

  std::vector<std::string> events() {
    host::pumpEvents();
    std::vector<std::string> codes;
    for (const auto& event : context().events()) codes.push_back(event.code);
    return codes;
  }

  VirtualCameraControl vcam;

 private:
  std::shared_ptr<host::Bitmap> lastBitmap_;
};

// The device goes away mid-stream, upright and turned (a turned frame is
// read into half of a two-frame buffer, which a failed read must not upset).
class DisconnectTest : public CameraFaultsTest,
                       public ::testing::WithParamInterface<Orientation> {};

TEST_P(DisconnectTest, GrabsStopFillingUntilTheDeviceIsBackAndReopened) {
  const Orientation o = GetParam();
  const int width = o.rotate ? kHeight : kWidth;
  const int height = o.rotate ? kWidth : kHeight;
  // A failed open makes OpenCV start its other capture backends, which keep
  // descriptors of their own for the rest of the process; count after that.
  ASSERT_EQ(vcam.inject_fault(1, VELMORA_VCAM_FAULT_OPEN, 0), 0);
  initCam(1);
  ASSERT_EQ(vcam.clear_faults(1), 0);
  const int descriptors = openFileDescriptors();
  openCamera(0, o);
  expectDelivering(o);

  ASSERT_EQ(vcam.inject_fault(0, VELMORA_VCAM_FAULT_DISCONNECT, 2), 0);
  EXPECT_THAT(grabs(5, width, height), ElementsAre(Grab::Filled, Grab::Filled, Grab::Untouched,
                                                   Grab::Untouched, Grab::Untouched));
  // Settings reach a capture whose device is gone.
  setCamInfo(kWidth / 2, kHeight / 2, o.rotate ? 1.0 : 0.0, o.flip, 1);
  call("SetCamWhiteBalance", {Value::integer(3)});
  EXPECT_EQ(grab(width / 2, height / 2), Grab::Untouched);
  EXPECT_TRUE(running()) << "nothing closes the camera but ReleaseCam and InitCam";

  // Opening while the device is away fails and closes the dead capture.
  initCam(0);
  EXPECT_FALSE(running());
  EXPECT_EQ(grab(width, height), Grab::Untouched);

  ASSERT_EQ(vcam.clear_faults(0), 0);
  setCamInfo(kWidth, kHeight, o.rotate ? 1.0 : 0.0, o.flip, 0);
  openCamera(0, o);
  expectDelivering(o);
  EXPECT_EQ(vcam.open_descriptors(0), 1);
  releaseCam();
  EXPECT_EQ(openFileDescriptors(), descriptors) << "a descriptor of the dead device was kept";
  EXPECT_THAT(events(), ElementsAre("NativeCamEventError", "NativeCamEventCreated",
                                    "NativeCamEventError", "NativeCamEventCreated"));
}

INSTANTIATE_TEST_SUITE_P(Orientations, DisconnectTest, ::testing::Values(kUpright, kTurned),
                         [](const auto& info) { return info.param.rotate ? "Turned" : "Upright"; });

// A stalled stream: each grab waits OPENCV_VIDEOIO_V4L_SELECT_TIMEOUT (one
// second in this test's environment) and gets nothing.
TEST_F(CameraFaultsTest, AStallLeavesBitmapsUntouchedAndFramesResumeWithoutAReopen) {
  openCamera(0, kTurned);
  expectDelivering(kTurned);
  ASSERT_EQ(vcam.inject_fault(0, VELMORA_VCAM_FAULT_STALL, 0), 0);
  EXPECT_EQ(grab(kHeight, kWidth), Grab::Untouched);
  EXPECT_TRUE(running());

  ASSERT_EQ(vcam.clear_faults(0), 0);
  expectDelivering(kTurned);
}

TEST_F(CameraFaultsTest, ACameraStalledAtItsFirstFrameClosesAndReopens) {
  ASSERT_EQ(vcam.inject_fault(0, VELMORA_VCAM_FAULT_STALL, 0), 0);
  openCamera(0);
  EXPECT_EQ(grab(kWidth, kHeight), Grab::Untouched);
  call("ReleaseCam");
  EXPECT_FALSE(running());
  EXPECT_EQ(vcam.open_descriptors(0), 0);

  ASSERT_EQ(vcam.clear_faults(0), 0);
  openCamera(0);
  expectDelivering(kUpright);
}

// Camera 1 refuses to open, by failing or by having disappeared, while
// camera 0 works.
struct OpenFault {
  const char* name;
  int fault;
};

void PrintTo(const OpenFault& f, std::ostream* out) { *out << f.name; }

class RefusedOpenTest : public CameraFaultsTest, public ::testing::WithParamInterface<OpenFault> {};

TEST_P(RefusedOpenTest, ClosesTheCameraThenTheSameIndexRecoversOnceTheFaultIsGone) {
  ASSERT_EQ(vcam.inject_fault(1, GetParam().fault, 0), 0);
  openCamera(0);
  expectDelivering(kUpright);

  initCam(1);
  EXPECT_FALSE(running());
  EXPECT_EQ(vcam.open_descriptors(0), 0) << "camera 0 stayed open";
  host::clearRecords();
  EXPECT_EQ(grab(kWidth, kHeight), Grab::Untouched);
  EXPECT_THAT(operationNames(), IsEmpty()) << "a closed camera touches no bitmap";

  openCamera(0);
  expectDelivering(kUpright);
  ASSERT_EQ(vcam.clear_faults(1), 0);
  openCamera(1);
  expectDelivering(kUpright);
  EXPECT_EQ(vcam.open_descriptors(0), 0);
  EXPECT_EQ(vcam.open_descriptors(1), 1);
  EXPECT_THAT(events(), ElementsAre("NativeCamEventCreated", "NativeCamEventError",
                                    "NativeCamEventCreated", "NativeCamEventCreated"));
}

INSTANTIATE_TEST_SUITE_P(Faults, RefusedOpenTest,
                         ::testing::Values(OpenFault{"Fails", VELMORA_VCAM_FAULT_OPEN},
                                           OpenFault{"Gone", VELMORA_VCAM_FAULT_DISCONNECT}),
                         [](const auto& info) { return std::string(info.param.name); });

// The device delivers another size than SetCamInfo asked for: it clamps to
// its own range (16x16 .. 3840x2160) and to a sensor limit (max-size), and a
// size with a side that is not positive is not applied at all (the device
// keeps the 640x480 it opened with).  Frames come at the delivered size; only
// a bitmap of that size, after the turn, is filled.
struct SizeCase {
  const char* name;
  uint32_t maxWidth, maxHeight;  // the sensor limit
  int32_t width, height;         // asked for
  bool rotate;
  int deliveredWidth, deliveredHeight;  // by the device, before the turn
};

void PrintTo(const SizeCase& c, std::ostream* out) { *out << c.name; }

class AdjustedSizeTest : public CameraFaultsTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(AdjustedSizeTest, OnlyABitmapOfTheDeliveredSizeIsFilled) {
  const SizeCase c = GetParam();
  const Orientation o{c.rotate, 1};
  ASSERT_EQ(vcam.limit_size(0, c.maxWidth, c.maxHeight), 0);
  initCam(0);
  ASSERT_TRUE(running());
  setCamInfo(c.width, c.height, c.rotate ? 1.0 : 0.0, o.flip, 0);
  EXPECT_EQ(cameraWidth(), c.width) << "the size is recorded as asked for";

  const int asked[2] = {c.rotate ? c.height : c.width, c.rotate ? c.width : c.height};
  const int delivered[2] = {c.rotate ? c.deliveredHeight : c.deliveredWidth,
                            c.rotate ? c.deliveredWidth : c.deliveredHeight};
  if (asked[0] > 0 && asked[1] > 0 && asked[0] <= 4096 && asked[1] <= 4096 &&
      (asked[0] != delivered[0] || asked[1] != delivered[1])) {
    EXPECT_EQ(grab(asked[0], asked[1]), Grab::Untouched);
  }
  if (delivered[0] != delivered[1]) {
    EXPECT_EQ(grab(delivered[1], delivered[0]), Grab::Untouched) << "width and height swapped";
  }
  ASSERT_EQ(grab(delivered[0], delivered[1]), Grab::Filled);
  expectPatternFrame(o, c.deliveredWidth, c.deliveredHeight);
}

constexpr int32_t kHuge = std::numeric_limits<int32_t>::max();

INSTANTIATE_TEST_SUITE_P(
    Sizes, AdjustedSizeTest,
    ::testing::Values(SizeCase{"SensorLimit", 32, 24, kWidth, kHeight, false, 32, 24},
                      SizeCase{"SensorLimitTurned", 32, 24, kWidth, kHeight, true, 32, 24},
                      SizeCase{"SensorLimitOneSide", 48, 480, kWidth, kHeight, false, 48, 48},
                      SizeCase{"BelowTheDevicesMinimum", 3840, 2160, 1, 2, true, 16, 16},
                      SizeCase{"BeyondTheDevicesMaximum", 3840, 2160, kHuge, kHuge, false, 3840,
                               2160},
                      SizeCase{"NotPositiveTurned", 3840, 2160, -1, 0, true, 640, 480},
                      SizeCase{"ZeroWidth", 3840, 2160, 0, 48, false, 640, 480},
                      SizeCase{"NegativeHeight", 3840, 2160, 64, -48, false, 640, 480}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora::testing
