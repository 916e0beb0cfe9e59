// Opening and closing the camera on a machine where the index cannot be
// opened, and the state the library starts in.  The success path runs on the
// virtual camera (virtual_camera_lifecycle_test.cpp).
#include "tests/support/extension_fixture.h"

namespace velmora::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// A camera index that no machine running the tests has.
constexpr int32_t kMissingCamera = -7;

class CameraLifecycleTest : public ExtensionTest {
 protected:
  std::vector<std::string> events(const host::Context& on) {
    std::vector<std::string> list;
    for (const auto& event : on.events()) list.push_back(event.code + "/" + event.level);
    return list;
  }
};

TEST_F(CameraLifecycleTest, StartsClosedWithZeroSettingsAndAnEmptyFrameBuffer) {
  EXPECT_FALSE(running());
  EXPECT_FALSE(rotation());
  EXPECT_FALSE(debugModel());
  EXPECT_EQ(flip(), 0);
  EXPECT_EQ(cameraWidth(), 0.0);
  EXPECT_EQ(cameraHeight(), 0.0);
  EXPECT_TRUE(frameBuffer().empty());
  EXPECT_EQ(frameBuffer().data, nullptr);
  EXPECT_FALSE(camera().isOpened());
}

TEST_F(CameraLifecycleTest, FailedOpenIsReportedAfterTheCallAndLogged) {
  host::Context& bystander = extension().createContext("camera");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(call("InitCam", {Value::integer(kMissingCamera)}), nullptr);
  const std::string log = ::testing::internal::GetCapturedStderr();

  EXPECT_THAT(context().events(), IsEmpty()) << "delivered inside the call";
  EXPECT_EQ(host::pumpEvents(), 1u);
  EXPECT_THAT(events(context()), ElementsAre("NativeCamEventError/Error"));
  EXPECT_THAT(bystander.events(), IsEmpty());

  EXPECT_THAT(log, HasSubstr("CameraTestLog_ I"));
  EXPECT_THAT(log, HasSubstr("Error! cameraID=-7 cannt open device!!"));
  EXPECT_FALSE(running());
  EXPECT_FALSE(camera().isOpened());
  EXPECT_THAT(operationNames(), ElementsAre("FREGetObjectAsInt32", "FREDispatchStatusEventAsync"));
}

TEST_F(CameraLifecycleTest, ReleaseWithoutOpenOnlyClearsTheRecordedSize) {
  cameraWidth() = 320.0;
  cameraHeight() = 240.0;
  for (int i = 0; i < 2; ++i) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(call("ReleaseCam"), nullptr);
    EXPECT_THAT(::testing::internal::GetCapturedStderr(), IsEmpty());
    EXPECT_FALSE(running());
    EXPECT_TRUE(frameBuffer().empty());
    EXPECT_EQ(cameraWidth(), 0.0);
    EXPECT_EQ(cameraHeight(), 0.0);
  }
  EXPECT_EQ(host::pumpEvents(), 0u);
  EXPECT_THAT(operationNames(), IsEmpty());
}

TEST_F(CameraLifecycleTest, ReleaseFreesTheFrameBufferAfterAFailedOpen) {
  frameBuffer() = cv::Mat(4, 4, CV_8UC3, cv::Scalar(1, 2, 3));
  ::testing::internal::CaptureStderr();
  initCam(kMissingCamera);
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(frameBuffer().rows, 4) << "a failed open keeps the last frame";
  releaseCam();
  EXPECT_TRUE(frameBuffer().empty());
  EXPECT_EQ(frameBuffer().data, nullptr);
}

}  // namespace
}  // namespace velmora::testing
