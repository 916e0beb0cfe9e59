// What must hold after every call into the extension, whatever its
// arguments and whatever the camera did.  A broken rule prints what broke
// and aborts, which libFuzzer reports as a crash with the input that did it.
//
// After each call:
//   - the result is the null object, the host recorded no misuse (nothing
//     left acquired, no operation out of turn) and no event is queued but an
//     open's report, which InitCam queues exactly one of;
//   - the one-byte switches hold 0 or 1, and the camera runs exactly when
//     its capture is open;
//   - a bitmap passed as GrabData's first argument to a running camera, of
//     the frame's width and height with a stride not below its width, holds
//     the whole frame buffer converted, every row of it, its padding
//     untouched, and without the overlay one frame of the pattern (the red
//     byte, the frame number, the same in every pixel); every other bitmap
//     is untouched.
#ifndef VELMORA_FUZZ_CALL_CHECKS_H_
#define VELMORA_FUZZ_CALL_CHECKS_H_

#include <string>
#include <vector>

#include <opencv2/core/mat.hpp>
#include <opencv2/videoio.hpp>

#include "host/host.h"

namespace velmora::fuzz {

// The camera state the extension exports, found through its symbols.
struct CameraState {
  explicit CameraState(const host::Extension& extension);

  const uint8_t& running;
  const uint8_t& rotation;
  const uint8_t& overlay;
  const cv::Mat& frameBuffer;
  cv::VideoCapture& camera;
};

class CallChecks {
 public:
  explicit CallChecks(const CameraState& state) : state_(state) {}

  // Calls `function` with `args` through `context` and checks the outcome.
  void call(host::Context& context, const std::string& function,
            const std::vector<host::Value>& args);

 private:
  void checkBitmaps(const std::string& function, const std::vector<host::Value>& args,
                    bool grabbedWhileRunning, bool overlay) const;
  void checkFilled(const host::Bitmap& bitmap, bool overlay) const;
  void checkState(const std::string& function) const;

  const CameraState& state_;
};

}  // namespace velmora::fuzz

#endif  // VELMORA_FUZZ_CALL_CHECKS_H_
