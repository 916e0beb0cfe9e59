#include "fuzz/call_checks.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "fuzz/script_values.h"

namespace velmora::fuzz {

namespace {

[[noreturn]] void broken(const std::string& function, const std::string& what) {
  std::fprintf(stderr, "\n%s broke a rule: %s\n", function.c_str(), what.c_str());
  std::abort();
}

std::string describe(const host::Bitmap& bitmap) {
  return std::to_string(bitmap.width()) + "x" + std::to_string(bitmap.height()) + " stride " +
         std::to_string(bitmap.lineStride32());
}

bool untouched(const host::Bitmap& bitmap) {
  return std::all_of(bitmap.words(), bitmap.words() + bitmap.wordCount(),
                     [](uint32_t word) { return word == kUnwrittenWord; });
}

}  // namespace

CameraState::CameraState(const host::Extension& extension)
    : running(extension.variable<uint8_t>("mCamIsRunning")),
      rotation(extension.variable<uint8_t>("mRotation")),
      overlay(extension.variable<uint8_t>("mDebugModel")),
      frameBuffer(extension.variable<cv::Mat>("mCameraBitmapdata")),
      camera(extension.variable<cv::VideoCapture>("mCamera")) {}

void CallChecks::call(host::Context& context, const std::string& function,
                      const std::vector<host::Value>& args) {
  // GrabData reads the camera state once, as it starts.
  const bool grabbedWhileRunning = function == "GrabData" && state_.running == 1;
  const bool overlay = state_.overlay == 1;
  if (context.call(function, args) != nullptr) {
    broken(function, "returned an object other than null");
  }
  if (!host::misuse().empty()) broken(function, host::misuse().front());
  checkState(function);
  if (function == "InitCam") {
    if (host::pumpEvents() != 1) broken(function, "did not report exactly one outcome");
    const bool reportedOpen = context.events().back().code == "NativeCamEventCreated";
    if (reportedOpen != (state_.running == 1)) {
      broken(function, "reported " + context.events().back().code + " with mCamIsRunning " +
                           std::to_string(state_.running));
    }
  } else if (host::pendingEventCount() != 0) {
    broken(function, "queued an event");
  }
  checkBitmaps(function, args, grabbedWhileRunning, overlay);
  host::clearRecords();
}

void CallChecks::checkState(const std::string& function) const {
  const std::pair<const char*, uint8_t> switches[] = {{"mCamIsRunning", state_.running},
                                                      {"mRotation", state_.rotation},
                                                      {"mDebugModel", state_.overlay}};
  for (const auto& [name, value] : switches) {
    if (value > 1) broken(function, std::string(name) + " holds " + std::to_string(value));
  }
  if ((state_.running == 1) != state_.camera.isOpened()) {
    broken(function, "mCamIsRunning disagrees with the capture being open");
  }
}

void CallChecks::checkBitmaps(const std::string& function, const std::vector<host::Value>& args,
                              bool grabbedWhileRunning, bool overlay) const {
  const cv::Mat& frame = state_.frameBuffer;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i].kind() != host::Value::Kind::Bitmap) continue;
    const host::Bitmap& bitmap = *args[i].asBitmap();
    const bool fits =
        i == 0 && grabbedWhileRunning && !frame.empty() && frame.dims == 2 &&
        frame.depth() == CV_8U && frame.channels() >= 3 && bitmap.width() == uint32_t(frame.cols) &&
        bitmap.height() == uint32_t(frame.rows) && bitmap.lineStride32() >= bitmap.width();
    if (fits) {
      checkFilled(bitmap, overlay);
    } else if (!untouched(bitmap)) {
      broken(function, "wrote to argument " + std::to_string(i) + ", a bitmap of " +
                           describe(bitmap) + ", with a frame buffer of " +
                           std::to_string(frame.cols) + "x" + std::to_string(frame.rows));
    }
  }
}

void CallChecks::checkFilled(const host::Bitmap& bitmap, bool overlay) const {
  const cv::Mat& frame = state_.frameBuffer;
  const int channels = frame.channels();
  const uint8_t frameNumber = frame.ptr<uint8_t>(0)[2];
  for (uint32_t y = 0; y < bitmap.height(); ++y) {
    const uint8_t* pixel = frame.ptr<uint8_t>(int(y));
    for (uint32_t x = 0; x < bitmap.width(); ++x, pixel += channels) {
      const uint32_t expected =
          0xff000000u | uint32_t(pixel[2]) << 16 | uint32_t(pixel[1]) << 8 | pixel[0];
      if (bitmap.at(x, y) != expected) {
        broken("GrabData", "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") of a " +
                               describe(bitmap) + " bitmap differs from the frame buffer");
      }
      if (!overlay && pixel[2] != frameNumber) {
        broken("GrabData", "the frame buffer mixes frames " + std::to_string(frameNumber) +
                               " and " + std::to_string(pixel[2]));
      }
    }
    for (uint32_t x = bitmap.width(); x < bitmap.lineStride32(); ++x) {
      if (bitmap.at(x, y) != kUnwrittenWord) {
        broken("GrabData", "wrote the padding of row " + std::to_string(y) + " of a " +
                               describe(bitmap) + " bitmap");
      }
    }
  }
}

}  // namespace velmora::fuzz
