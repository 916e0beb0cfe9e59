// libFuzzer target: random sequences of the five extension functions, called
// through the desktop host with random argument kinds and counts, on virtual
// cameras of random sizes that fail at random moments.  Every call is
// checked (call_checks.h).
//
// An input is read front to back (a used-up input reads as zeros):
//   byte 0     the sensor limit of both devices (kLimits): no frame is larger
//   then up to kMaxSteps steps, each an op byte and its payload:
//     op & 7   0 InitCam, 1 SetCamInfo, 2 GrabData, 3 ReleaseCam,
//              4 SetCamWhiteBalance: op >> 4 below 8 passes the function's
//              own argument count, otherwise op >> 4 minus 8 (0..7); each
//              argument is a value (script_values.h)
//              5 a camera fault, one byte: device (bit 0); a disconnect or a
//              stall after (byte >> 3) % 8 more frames, an open fault, or the
//              faults cleared ((byte >> 1) % 4)
//              6 a new sensor limit for one device, one byte
//              7 SetCamInfo with well-formed small arguments, three bytes
//     op bit 3 which of the two contexts makes the call
//
// The extension is loaded once per process, as the runtime loads it.  Each
// input ends with ReleaseCam and a SetCamInfo that switches rotation, flip
// and overlay off, which returns the camera state to what loading leaves
// (closed, no frame buffer, size 0, switches 0); the next input then clears
// the virtual camera's faults and sets its limits.  What the extension keeps
// beyond that state (the overlay's pixels for the last frame size) carries
// over, so a crash found after a long run may need the inputs before it.
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/call_checks.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/script_values.h"
#include "fuzz/virtual_camera_link.h"
#include "host/host.h"

namespace velmora::fuzz {

namespace {

using host::Value;

constexpr size_t kMaxSteps = 32;
// Contexts are replaced this often so that their event lists stay short.
constexpr uint64_t kInputsPerContext = 1024;

struct Limit {
  uint32_t width, height;
};

// Mostly small frames, so that inputs stay fast; the largest keeps a grab's
// memory (frame, turned frame, bitmap) around 30 MB.
constexpr Limit kLimits[] = {
    {16, 16},  {17, 33},  {32, 24},   {33, 17},   {48, 64},   {64, 48},   {80, 60},   {96, 16},
    {100, 75}, {120, 90}, {128, 128}, {160, 120}, {240, 180}, {320, 240}, {640, 480}, {1920, 1080}};

struct Function {
  const char* name;
  uint32_t argc;
};

constexpr Function kFunctions[] = {{"InitCam", 1},
                                   {"SetCamInfo", 5},
                                   {"GrabData", 1},
                                   {"ReleaseCam", 0},
                                   {"SetCamWhiteBalance", 1}};

void setDefault(const char* name, const char* value) { setenv(name, value, /*overwrite=*/0); }

class Harness {
 public:
  Harness()
      : extension_(host::Extension::load(VELMORA_EXTENSION_PATH)),
        state_(*extension_),
        checks_(state_) {
    if (vcam_.device_count() != 2) {
      std::fprintf(stderr, "two virtual devices expected (VELMORA_VCAM_DEVICES=2)\n");
      std::abort();
    }
    for (host::Context*& context : contexts_) context = &extension_->createContext("camera");
  }

  void run(FuzzInput& in) {
    if (++inputs_ % kInputsPerContext == 0) renewContexts();
    const Limit limit = kLimits[in.byte() % std::size(kLimits)];
    for (int device = 0; device < 2; ++device) {
      vcam_.clear_faults(device);
      vcam_.limit_size(device, limit.width, limit.height);
    }
    for (size_t i = 0; i < kMaxSteps && !in.empty(); ++i) step(in);
    checks_.call(*contexts_[0], "ReleaseCam", {});
    checks_.call(*contexts_[0], "SetCamInfo",
                 {Value::integer(0), Value::integer(0), Value::number(0.0), Value::integer(0),
                  Value::integer(0)});
  }

 private:
  void step(FuzzInput& in) {
    const uint8_t op = in.byte();
    host::Context& context = *contexts_[(op >> 3) & 1];
    switch (op & 7) {
      case 5:
        injectFault(in.byte());
        break;
      case 6: {
        const uint8_t b = in.byte();
        const Limit limit = kLimits[(b >> 1) % std::size(kLimits)];
        vcam_.limit_size(b & 1, limit.width, limit.height);
        break;
      }
      case 7: {
        const int32_t width = in.byte();
        const int32_t height = in.byte();
        const uint8_t b = in.byte();
        checks_.call(context, "SetCamInfo",
                     {Value::integer(width), Value::integer(height), Value::number(b & 1),
                      Value::integer((b >> 1) % 3 - 1), Value::integer((b >> 3) & 1)});
        break;
      }
      default: {
        const Function& function = kFunctions[op & 7];
        const uint32_t count = op >> 4;
        const uint32_t argc = count < 8 ? function.argc : count - 8;
        std::vector<Value> args;
        for (uint32_t i = 0; i < argc; ++i) args.push_back(decodeValue(in, expectedFrame()));
        checks_.call(context, function.name, args);
      }
    }
  }

  void injectFault(uint8_t b) {
    const int device = b & 1;
    const uint64_t afterFrames = (b >> 3) % 8;
    switch ((b >> 1) % 4) {
      case 0:
        vcam_.inject_fault(device, VELMORA_VCAM_FAULT_DISCONNECT, afterFrames);
        break;
      case 1:
        vcam_.inject_fault(device, VELMORA_VCAM_FAULT_STALL, afterFrames);
        break;
      case 2:
        vcam_.inject_fault(device, VELMORA_VCAM_FAULT_OPEN, 0);
        break;
      default:
        vcam_.clear_faults(device);
    }
  }

  // The size the next grab should deliver, as the script sees it: what the
  // open device was last set to, turned when rotation is on; without an open
  // device, the frame buffer's.
  FrameSize expectedFrame() const {
    for (int device = 0; device < 2; ++device) {
      uint32_t width = 0;
      uint32_t height = 0;
      uint32_t fourcc = 0;
      if (vcam_.open_descriptors(device) > 0 &&
          vcam_.last_format(device, &width, &height, &fourcc) == 0) {
        return state_.rotation ? FrameSize{height, width} : FrameSize{width, height};
      }
    }
    return {uint32_t(state_.frameBuffer.cols), uint32_t(state_.frameBuffer.rows)};
  }

  // The design never frees a context's function table.  The harness keeps
  // every table it was handed, as the runtime may, so that LeakSanitizer's
  // check after an input does not report them; any other loss still shows.
  void renewContexts() {
    for (host::Context*& context : contexts_) {
      keptTables_.push_back(context->table());
      extension_->disposeContext(*context);
      context = &extension_->createContext("camera");
    }
  }

  VirtualCameraLink vcam_;
  std::unique_ptr<host::Extension> extension_;
  CameraState state_;
  CallChecks checks_;
  host::Context* contexts_[2] = {};
  std::vector<const FRENamedFunction*> keptTables_;
  uint64_t inputs_ = 0;
};

// Lives as long as the process, as the extension does in an application.
Harness* harness = nullptr;

}  // namespace

}  // namespace velmora::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  using velmora::fuzz::setDefault;
  setDefault("VELMORA_VCAM_DEVICES", "2");
  // The checks read the frame number from the gradient pattern in BGR.
  setenv("VELMORA_VCAM_PATTERN", "gradient", 1);
  setenv("VELMORA_VCAM_FORMAT", "BGR3", 1);
  // A stalled read gives up at once instead of after ten seconds.
  setDefault("OPENCV_VIDEOIO_V4L_SELECT_TIMEOUT", "0");
  // Debian's gphoto2 backend spends 200 ms and loses 22 KB on every index
  // that does not open; the product's OpenCV has no such backend.
  setDefault("OPENCV_VIDEOIO_PRIORITY_GPHOTO2", "0");
  velmora::fuzz::harness = new velmora::fuzz::Harness;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  velmora::fuzz::FuzzInput in(data, size);
  velmora::fuzz::harness->run(in);
  return 0;
}
