// Opening and closing a camera that opens: the virtual camera, through
// OpenCV's own V4L2 capture.
#include "tests/support/extension_fixture.h"
#include "tests/support/virtual_camera.h"

namespace velmora::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class CameraLifecycleVirtualTest : public ExtensionTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(VirtualCamera::loaded()) << "the virtual camera is not preloaded";
    ExtensionTest::SetUp();
  }

  static std::vector<std::string> events(const host::Context& on) {
    std::vector<std::string> list;
    for (const auto& event : on.events()) list.push_back(event.code + "/" + event.level);
    return list;
  }

  void grabInto(host::Context& through, int width, int height) {
    through.call("GrabData", {Value::bitmap(std::make_shared<host::Bitmap>(
                                 host::BitmapSpec{uint32_t(width), uint32_t(height)}))});
  }
};

TEST_F(CameraLifecycleVirtualTest, OpenIsReportedAfterTheCallWithoutPreviewSizes) {
  EXPECT_EQ(call("InitCam", {Value::integer(0)}), nullptr);
  EXPECT_TRUE(running());
  EXPECT_TRUE(camera().isOpened());
  EXPECT_EQ(VirtualCamera::openDescriptors(0), 1);
  EXPECT_THAT(context().events(), IsEmpty()) << "delivered inside the call";
  EXPECT_EQ(host::pumpEvents(), 1u);
  // V4L2 answers the preview-sizes property with a plain -1: no text.
  EXPECT_THAT(events(context()), ElementsAre("NativeCamEventCreated/NULL"));
}

TEST_F(CameraLifecycleVirtualTest, OpeningTheSameIndexAgainReopensAndReportsAgain) {
  initCam(0);
  initCam(0);
  host::pumpEvents();
  EXPECT_THAT(events(context()),
              ElementsAre("NativeCamEventCreated/NULL", "NativeCamEventCreated/NULL"));
  EXPECT_TRUE(running());
  EXPECT_EQ(VirtualCamera::openDescriptors(0), 1) << "the first opening was not released";
}

TEST_F(CameraLifecycleVirtualTest, AFailedOpenClosesTheEarlierCameraAndKeepsTheLastFrame) {
  initCam(0);
  grabInto(context(), VirtualCamera::kDefaultWidth, VirtualCamera::kDefaultHeight);
  ASSERT_EQ(frameBuffer().cols, VirtualCamera::kDefaultWidth);
  const cv::Mat lastFrame = frameBuffer().clone();

  ::testing::internal::CaptureStderr();
  initCam(1);  // the virtual camera has one device
  const std::string log = ::testing::internal::GetCapturedStderr();

  EXPECT_FALSE(running());
  EXPECT_FALSE(camera().isOpened());
  EXPECT_EQ(VirtualCamera::openDescriptors(0), 0);
  EXPECT_THAT(log, HasSubstr("Error! cameraID=1 cannt open device!!"));
  host::pumpEvents();
  EXPECT_THAT(events(context()),
              ElementsAre("NativeCamEventCreated/NULL", "NativeCamEventError/Error"));
  ASSERT_EQ(frameBuffer().size(), lastFrame.size());
  EXPECT_EQ(cv::norm(frameBuffer(), lastFrame, cv::NORM_INF), 0.0);

  releaseCam();
  EXPECT_TRUE(frameBuffer().empty());
}

TEST_F(CameraLifecycleVirtualTest, AnIndexThatDoesNotConvertOpensTheFirstCamera) {
  for (const Value& index : {Value::string("two"), Value::null(), Value::number(0.5)}) {
    call("InitCam", {index});
    EXPECT_TRUE(running());
  }
  call("InitCam", {});
  EXPECT_TRUE(running());
  host::pumpEvents();
  EXPECT_EQ(context().events().size(), 4u);
  for (const auto& event : context().events()) EXPECT_EQ(event.code, "NativeCamEventCreated");
}

TEST_F(CameraLifecycleVirtualTest, SwitchesSurviveReleaseAndReopen) {
  initCam(0);
  setCamInfo(64, 48, 1.0, -3, 1);
  releaseCam();
  EXPECT_TRUE(rotation());
  EXPECT_EQ(flip(), -3);
  EXPECT_TRUE(debugModel());
  initCam(0);
  EXPECT_TRUE(rotation());
  EXPECT_EQ(flip(), -3);
  EXPECT_TRUE(debugModel());
  EXPECT_EQ(cameraWidth(), 0.0);
  EXPECT_EQ(cameraHeight(), 0.0);
}

TEST_F(CameraLifecycleVirtualTest, ContextsShareOneCameraAndEachGetsItsOwnEvents) {
  host::Context& other = extension().createContext("camera");
  initCam(0);
  host::pumpEvents();
  EXPECT_THAT(events(context()), ElementsAre("NativeCamEventCreated/NULL"));
  EXPECT_THAT(events(other), IsEmpty());

  const uint64_t served = VirtualCamera::framesServed(0);
  grabInto(other, VirtualCamera::kDefaultWidth, VirtualCamera::kDefaultHeight);
  EXPECT_GT(VirtualCamera::framesServed(0), served) << "grabbing through the other context";

  other.call("InitCam", {Value::integer(0)});
  host::pumpEvents();
  EXPECT_THAT(events(other), ElementsAre("NativeCamEventCreated/NULL"));
  EXPECT_EQ(context().events().size(), 1u);

  extension().disposeContext(other);
  EXPECT_TRUE(running()) << "disposing of a context leaves the camera open";
  releaseCam();
  EXPECT_FALSE(running());
  EXPECT_EQ(VirtualCamera::openDescriptors(0), 0);
}

TEST_F(CameraLifecycleVirtualTest, ADeviceThatRefusesToOpenIsReported) {
  VirtualCamera::injectFault(0, VELMORA_VCAM_FAULT_OPEN);
  ::testing::internal::CaptureStderr();
  initCam(0);
  EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr("cameraID=0 cannt open"));
  EXPECT_FALSE(running());
  VirtualCamera::clearFaults(0);
  initCam(0);
  EXPECT_TRUE(running());
  host::pumpEvents();
  EXPECT_THAT(events(context()),
              ElementsAre("NativeCamEventError/Error", "NativeCamEventCreated/NULL"));
}

TEST_F(CameraLifecycleVirtualTest, UnloadingWithTheCameraOpenReleasesTheDevice) {
  initCam(0);
  EXPECT_EQ(VirtualCamera::openDescriptors(0), 1);
  unload();
  EXPECT_EQ(VirtualCamera::openDescriptors(0), 0);
}

}  // namespace
}  // namespace velmora::testing
