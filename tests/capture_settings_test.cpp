// The capture settings: the three switches SetCamInfo stores whatever the
// camera's state, the size it applies only to a running camera, and the
// white-balance modes SetCamWhiteBalance passes through.
#include <cmath>
#include <limits>

#include <opencv2/core/utility.hpp>

#include "tests/support/extension_fixture.h"
#include "tests/support/virtual_camera.h"

namespace velmora::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class CaptureSettingsTest : public ExtensionTest {
 protected:
  void setRotationAndOverlay(double rotationArgument, int32_t overlayArgument) {
    call("SetCamInfo", {Value::integer(64), Value::integer(48), Value::number(rotationArgument),
                        Value::integer(7), Value::integer(overlayArgument)});
  }
  void openCamera() {
    initCam(0);
    host::pumpEvents();
    ASSERT_TRUE(running()) << "the virtual camera did not open";
  }
};

TEST_F(CaptureSettingsTest, RotationSwitchIsAnOrderedComparisonWithZero) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double argument;
    bool on;
  };
  const Case cases[] = {{0.0, false},  {-0.0, false}, {-1.0, false}, {std::nan(""), false},
                        {-inf, false}, {0.5, true},   {inf, true},   {1e-300, true}};
  for (const Case& c : cases) {
    rotation() = !c.on;
    setRotationAndOverlay(c.argument, 0);
    EXPECT_EQ(rotation(), c.on) << c.argument;
  }
}

TEST_F(CaptureSettingsTest, OverlaySwitchIsOnForPositiveIntegersOnly) {
  struct Case {
    int32_t argument;
    bool on;
  };
  const Case cases[] = {{-5, false}, {0, false}, {INT32_MIN, false},
                        {1, true},   {7, true},  {INT32_MAX, true}};
  for (const Case& c : cases) {
    debugModel() = !c.on;
    setRotationAndOverlay(0.0, c.argument);
    EXPECT_EQ(debugModel(), c.on) << c.argument;
  }
}

TEST_F(CaptureSettingsTest, EveryCallRewritesAllThreeSwitches) {
  setCamInfo(64, 48, 1.0, -5, 1);
  EXPECT_TRUE(rotation());
  EXPECT_EQ(flip(), -5);
  EXPECT_TRUE(debugModel());
  setCamInfo(64, 48, 0.0, 0, 0);
  EXPECT_FALSE(rotation());
  EXPECT_EQ(flip(), 0);
  EXPECT_FALSE(debugModel());
  for (int32_t code : {INT32_MIN, -1, 0, 1, 2, INT32_MAX}) {
    setCamInfo(64, 48, 0.0, code, 0);
    EXPECT_EQ(flip(), code);
  }
}

TEST_F(CaptureSettingsTest, ConvertsTheFiveArgumentsInPositionOrder) {
  setCamInfo(64, 48, 1.0, 1, 1);
  ASSERT_EQ(host::operations().size(), 5u);
  const char* expected[] = {"FREGetObjectAsInt32", "FREGetObjectAsInt32", "FREGetObjectAsDouble",
                            "FREGetObjectAsInt32", "FREGetObjectAsInt32"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(host::operations()[i].operation, expected[i]);
    EXPECT_EQ(host::operations()[i].argument, i);
  }
}

TEST_F(CaptureSettingsTest, AnArgumentThatDoesNotConvertLeavesItsSettingAlone) {
  setCamInfo(64, 48, 1.0, -1, 1);
  call("SetCamInfo", {Value::integer(64), Value::integer(48), Value::string("on"), Value::null()});
  EXPECT_TRUE(rotation());
  EXPECT_EQ(flip(), -1);
  EXPECT_TRUE(debugModel()) << "a missing fifth argument is not read";
  EXPECT_EQ(host::operations().size(), 5u + 4u) << "no argument past the count is converted";
}

TEST_F(CaptureSettingsTest, WhileClosedTheSizeIsNeitherAppliedNorRecorded) {
  setCamInfo(320, 240, 0.0, 1, 0);
  EXPECT_EQ(cameraWidth(), 0.0);
  EXPECT_EQ(cameraHeight(), 0.0);
  openCamera();
  call("GrabData", {});
  EXPECT_EQ(frameBuffer().cols, VirtualCamera::kDefaultWidth);
  EXPECT_EQ(frameBuffer().rows, VirtualCamera::kDefaultHeight);
}

TEST_F(CaptureSettingsTest, WhileRunningTheSizeIsAppliedAndRecorded) {
  openCamera();
  setCamInfo(320, 240, 0.0, 1, 0);
  EXPECT_EQ(cameraWidth(), 320.0);
  EXPECT_EQ(cameraHeight(), 240.0);
  call("GrabData", {});
  EXPECT_EQ(frameBuffer().cols, 320);
  EXPECT_EQ(frameBuffer().rows, 240);

  // The device clamps what it cannot do; the request is recorded as made.
  setCamInfo(0, -5, 0.0, 1, 0);
  EXPECT_EQ(cameraWidth(), 0.0);
  EXPECT_EQ(cameraHeight(), -5.0);
}

TEST_F(CaptureSettingsTest, TheRecordedSizeOutlivesAReopenButTheDeviceGetsNoSize) {
  openCamera();
  setCamInfo(320, 240, 0.0, 1, 0);
  openCamera();
  EXPECT_EQ(cameraWidth(), 320.0);
  EXPECT_EQ(cameraHeight(), 240.0);
  call("GrabData", {});
  EXPECT_EQ(frameBuffer().cols, VirtualCamera::kDefaultWidth);
  releaseCam();
  EXPECT_EQ(cameraWidth(), 0.0);
  EXPECT_EQ(cameraHeight(), 0.0);
}

// White balance is observed through OpenCV itself: in exception mode the
// V4L2 capture refuses property 8003 with an error naming the value, which
// the error handler records.
class WhiteBalanceTest : public CaptureSettingsTest {
 protected:
  static int recordError(int, const char*, const char* message, const char*, int, void* sink) {
    static_cast<std::vector<std::string>*>(sink)->push_back(message);
    return 0;
  }
  void SetUp() override {
    CaptureSettingsTest::SetUp();
    cv::redirectError(&WhiteBalanceTest::recordError, &errors_);
  }
  void TearDown() override {
    cv::redirectError(nullptr);
    CaptureSettingsTest::TearDown();
  }
  void setWhiteBalance(const Value& mode) { call("SetCamWhiteBalance", {mode}); }

  std::vector<std::string> errors_;
};

TEST_F(WhiteBalanceTest, ModesZeroToSevenReachTheDeviceAndTheFailureIsDropped) {
  openCamera();
  camera().setExceptionMode(true);
  for (int32_t mode = 0; mode <= 7; ++mode) {
    errors_.clear();
    EXPECT_EQ(call("SetCamWhiteBalance", {Value::integer(mode)}), nullptr);
    EXPECT_THAT(errors_, ElementsAre(::testing::HasSubstr(
                             "could not set prop 8003 = " + std::to_string(mode) + ".000000")));
  }
  EXPECT_TRUE(running());
}

TEST_F(WhiteBalanceTest, OtherModesMakeNoCall) {
  openCamera();
  camera().setExceptionMode(true);
  for (int32_t mode : {8, -1, INT32_MIN, INT32_MAX}) setWhiteBalance(Value::integer(mode));
  setWhiteBalance(Value::string("auto"));
  call("SetCamWhiteBalance", {});
  EXPECT_THAT(errors_, IsEmpty());
}

TEST_F(WhiteBalanceTest, WhileClosedTheModeIsNotEvenRead) {
  setWhiteBalance(Value::integer(3));
  EXPECT_THAT(host::operations(), IsEmpty());
  EXPECT_THAT(errors_, IsEmpty());
}

}  // namespace
}  // namespace velmora::testing
