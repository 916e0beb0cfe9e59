// A long life of the extension in one process, for a leak checker to watch
// (lifecycle_leak_test.sh runs it under valgrind or LeakSanitizer): contexts
// created and disposed of, the camera opened, set, grabbed from and closed
// many times, over every frame path (upright, turned, overlay, size changes,
// bitmaps that fit and bitmaps that do not) and through camera faults (a
// device that disappears mid-stream, a device that does not open).
//
// The one allocation the extension never frees is each context's function
// table (see ContextInitializer): five records of three pointers, 120 bytes
// on 64-bit targets and 60 on 32-bit ones.  So the only memory lost at the
// end is kContexts tables, 1440 bytes on x86-64; the last line of output
// states the amount for the checker: "function tables: <bytes> bytes in
// <blocks> blocks".
//
// Exits non-zero, before any leak is counted, when the run did not do what
// it should (the virtual camera missing, frames not delivered, a runtime
// rule broken), so a quiet leak report always comes from a full run.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "host/host.h"
#include "virtual_camera/virtual_camera_control.h"

namespace {

using velmora::host::Bitmap;
using velmora::host::BitmapSpec;
using velmora::host::Context;
using velmora::host::Value;

constexpr int kContexts = 12;
constexpr int kCyclesPerContext = 4;
constexpr int kGrabsPerCycle = 6;
constexpr size_t kTableBytes = 5 * sizeof(FRENamedFunction);
static_assert(kTableBytes == 5 * 3 * sizeof(void*), "five records of three pointers");

struct Settings {
  int32_t width, height;
  double rotation;
  int32_t flip, overlay;
};

// Upright and turned, with and without the overlay, at sizes that change
// from cycle to cycle so that the frame buffer is reshaped and reallocated.
constexpr Settings kSettings[] = {
    {64, 48, 0.0, 1, 0}, {64, 48, 1.0, -1, 1}, {96, 32, 1.0, 0, 0}, {32, 96, 0.0, 0, 1}};

template <typename F>
F vcamFunction(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
}

class Run {
 public:
  explicit Run(Context& context) : context_(context) {}

  void cycle(const Settings& s, bool disconnect) {
    context_.call("InitCam", {Value::integer(0)});
    context_.call("SetCamInfo",
                  {Value::integer(s.width), Value::integer(s.height), Value::number(s.rotation),
                   Value::integer(s.flip), Value::integer(s.overlay)});
    context_.call("SetCamWhiteBalance", {Value::integer(2)});
    const bool turned = s.rotation > 0.0;
    const uint32_t width = uint32_t(turned ? s.height : s.width);
    const uint32_t height = uint32_t(turned ? s.width : s.height);
    if (disconnect) injectFault(VELMORA_VCAM_FAULT_DISCONNECT, kGrabsPerCycle / 2);
    for (int i = 0; i < kGrabsPerCycle; ++i) {
      grab(BitmapSpec{width, height});
      grab(BitmapSpec{width + 1, height});
      grab(BitmapSpec{width, height, width - 1});
    }
    context_.call("GrabData", {});
    context_.call("GrabData", {Value::null()});
    if (disconnect) clearFaults();
    injectFault(VELMORA_VCAM_FAULT_OPEN, 0);
    context_.call("InitCam", {Value::integer(0)});
    clearFaults();
    context_.call("ReleaseCam");
    velmora::host::pumpEvents();
  }

  int filled() const { return filled_; }

 private:
  void grab(const BitmapSpec& spec) {
    auto bitmap = std::make_shared<Bitmap>(spec);
    const std::vector<uint32_t> before = bitmap->snapshot();
    context_.call("GrabData", {Value::bitmap(bitmap)});
    if (bitmap->snapshot() != before) ++filled_;
  }

  static void injectFault(int fault, uint64_t afterFrames) {
    vcamFunction<decltype(&velmora_vcam_inject_fault)>("velmora_vcam_inject_fault")(0, fault,
                                                                                    afterFrames);
  }
  static void clearFaults() {
    vcamFunction<decltype(&velmora_vcam_clear_faults)>("velmora_vcam_clear_faults")(0);
  }

  Context& context_;
  int filled_ = 0;
};

}  // namespace

int main() {
  if (vcamFunction<void*>("velmora_vcam_inject_fault") == nullptr) {
    std::fprintf(stderr, "the virtual camera is not preloaded (LD_PRELOAD=%s)\n",
                 VELMORA_VIRTUAL_CAMERA_PATH);
    return 2;
  }
  int filled = 0;
  {
    auto extension = velmora::host::Extension::load(VELMORA_EXTENSION_PATH);
    for (int c = 0; c < kContexts; ++c) {
      Context& context = extension->createContext("camera");
      Run run(context);
      for (int i = 0; i < kCyclesPerContext; ++i) {
        run.cycle(kSettings[(c + i) % 4], /*disconnect=*/i == kCyclesPerContext - 1);
      }
      filled += run.filled();
      extension->disposeContext(context);
    }
  }  // unloads the extension
  const auto& misuse = velmora::host::misuse();
  for (const auto& m : misuse) std::fprintf(stderr, "misuse: %s\n", m.c_str());
  // Every cycle without a fault fills each bitmap of the frame's size.
  const int expectedAtLeast = kContexts * (kCyclesPerContext - 1) * kGrabsPerCycle;
  if (filled < expectedAtLeast || !misuse.empty()) {
    std::fprintf(stderr, "run incomplete: %d bitmaps filled, at least %d expected\n", filled,
                 expectedAtLeast);
    return 1;
  }
  std::printf("%d contexts, %d cycles, %d bitmaps filled\n", kContexts,
              kContexts * kCyclesPerContext, filled);
  std::printf("function tables: %zu bytes in %d blocks\n", kContexts * kTableBytes, kContexts);
  return 0;
}
