// Loads the extension through the desktop host for one test and gives typed
// access to its exported camera state.  Every test ends by checking that the
// extension broke none of the runtime's rules.
#ifndef VELMORA_TESTS_SUPPORT_EXTENSION_FIXTURE_H_
#define VELMORA_TESTS_SUPPORT_EXTENSION_FIXTURE_H_

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <opencv2/core/mat.hpp>
#include <opencv2/videoio.hpp>

#include "host/host.h"

namespace velmora::testing {

using host::Value;

class ExtensionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    extension_ = host::Extension::load(VELMORA_EXTENSION_PATH);
    context_ = &extension_->createContext("camera");
  }

  void TearDown() override { EXPECT_THAT(host::misuse(), ::testing::IsEmpty()); }

  host::Extension& extension() { return *extension_; }
  // Unloads the library as the runtime does at the end; the state's
  // accessors must not be used afterwards.
  void unload() {
    extension_.reset();
    context_ = nullptr;
  }
  host::Context& context() { return *context_; }

  FREObject call(const std::string& name, const std::vector<Value>& args = {}) {
    return context_->call(name, args);
  }
  void initCam(int32_t index) { call("InitCam", {Value::integer(index)}); }
  void releaseCam() { call("ReleaseCam"); }
  void setCamInfo(int32_t width, int32_t height, double rotation, int32_t flip, int32_t overlay) {
    call("SetCamInfo", {Value::integer(width), Value::integer(height), Value::number(rotation),
                        Value::integer(flip), Value::integer(overlay)});
  }

  bool& running() { return extension_->variable<bool>("mCamIsRunning"); }
  bool& rotation() { return extension_->variable<bool>("mRotation"); }
  bool& debugModel() { return extension_->variable<bool>("mDebugModel"); }
  int32_t& flip() { return extension_->variable<int32_t>("mFlip"); }
  double& cameraWidth() { return extension_->variable<double>("mCameraWidth"); }
  double& cameraHeight() { return extension_->variable<double>("mCameraHeight"); }
  cv::Mat& frameBuffer() { return extension_->variable<cv::Mat>("mCameraBitmapdata"); }
  cv::VideoCapture& camera() { return extension_->variable<cv::VideoCapture>("mCamera"); }

  // Names of the runtime operations the extension called, in order.
  static std::vector<std::string> operationNames() {
    std::vector<std::string> names;
    for (const auto& op : host::operations()) names.push_back(op.operation);
    return names;
  }

 private:
  std::unique_ptr<host::Extension> extension_;
  host::Context* context_ = nullptr;
};

}  // namespace velmora::testing

#endif  // VELMORA_TESTS_SUPPORT_EXTENSION_FIXTURE_H_
