// GrabData end to end, read included, through the desktop host with the
// virtual camera, per rotation and flip setting, overlay off and on; beside
// it the read alone (the extension's own capture, outside any call) and the
// read followed by the plain OpenCV sequence.  Needs the virtual camera
// preloaded:
//   VELMORA_VCAM_FPS=0 LD_PRELOAD=build/lib/libvelmora_virtual_camera.so grab_data_bench
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <memory>
#include <string>

#include <opencv2/core.hpp>
#include <opencv2/videoio.hpp>

#include "bench/bench_frames.h"
#include "frames/reference_delivery.h"
#include "host/host.h"

namespace velmora::bench {
namespace {

constexpr FrameSize kSizes[] = {{640, 480}, {1280, 720}, {1920, 1080}};

bool virtualCameraLoaded() { return dlsym(RTLD_DEFAULT, "velmora_vcam_device_count") != nullptr; }

// The extension loaded, the first camera open at the benchmark's size and
// setting, and a bitmap of the delivered frame's size.
class OpenCamera {
 public:
  OpenCamera(const benchmark::State& state, const Setting& setting)
      : extension_(host::Extension::load(VELMORA_EXTENSION_PATH)),
        context_(extension_->createContext("camera")) {
    // The host's write guard would add its page-protection changes to every
    // timed call; the tests keep it on.
    host::setPixelGuard(false);
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    context_.call("InitCam", {host::Value::integer(0)});
    context_.call("SetCamInfo", {host::Value::integer(width), host::Value::integer(height),
                                 host::Value::number(setting.rotate ? 1.0 : 0.0),
                                 host::Value::integer(setting.flipCode),
                                 host::Value::integer(static_cast<int32_t>(state.range(2)))});
    host::BitmapSpec layout;
    layout.width = static_cast<uint32_t>(setting.rotate ? height : width);
    layout.height = static_cast<uint32_t>(setting.rotate ? width : height);
    bitmap_ = host::Value::bitmap(std::make_shared<host::Bitmap>(layout));
  }
  ~OpenCamera() { context_.call("ReleaseCam"); }

  bool running() const { return extension_->variable<bool>("mCamIsRunning"); }
  void grab() { context_.call("GrabData", {bitmap_}); }
  cv::VideoCapture& capture() { return extension_->variable<cv::VideoCapture>("mCamera"); }
  cv::Mat& frameBuffer() { return extension_->variable<cv::Mat>("mCameraBitmapdata"); }

 private:
  std::unique_ptr<host::Extension> extension_;
  host::Context& context_;
  host::Value bitmap_ = host::Value::null();
};

bool ready(benchmark::State& state, const OpenCamera& camera) {
  if (!virtualCameraLoaded()) {
    state.SkipWithError("the virtual camera is not preloaded");
    return false;
  }
  if (!camera.running()) {
    state.SkipWithError("the camera did not open");
    return false;
  }
  return true;
}

void BM_GrabData(benchmark::State& state, Setting setting) {
  OpenCamera camera(state, setting);
  if (!ready(state, camera)) return;
  for (int i = 0; i < 3; ++i) camera.grab();
  for (auto _ : state) {
    camera.grab();
    host::clearRecords();
  }
}

void BM_Read(benchmark::State& state, Setting setting) {
  OpenCamera camera(state, setting);
  if (!ready(state, camera)) return;
  cv::Mat frame;
  for (auto _ : state) camera.capture() >> frame;
}

void BM_ReadThenPlain(benchmark::State& state, Setting setting) {
  OpenCamera camera(state, setting);
  if (!ready(state, camera)) return;
  const DeliverySettings settings{setting.rotate, setting.flipCode, state.range(2) != 0};
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  BitmapMemory bitmap(setting.rotate ? height : width, setting.rotate ? width : height);
  cv::Mat& frameBuffer = camera.frameBuffer();
  for (auto _ : state) {
    camera.capture() >> frameBuffer;
    deliverFrameReference(frameBuffer, settings, &bitmap.descriptor());
  }
}

void arguments(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "overlay"})->Unit(benchmark::kMicrosecond);
  for (const FrameSize s : kSizes) {
    for (int overlay : {0, 1}) b->Args({s.width, s.height, overlay});
  }
}

void registerAll() {
  for (const Setting& setting : kSettings) {
    benchmark::RegisterBenchmark((std::string("GrabData/Fused/") + setting.name).c_str(),
                                 BM_GrabData, setting)
        ->Apply(arguments);
    benchmark::RegisterBenchmark((std::string("GrabData/ReadThenPlain/") + setting.name).c_str(),
                                 BM_ReadThenPlain, setting)
        ->Apply(arguments);
  }
  benchmark::RegisterBenchmark("GrabData/ReadOnly", BM_Read, Setting{"", false, 0})
      ->Apply(arguments);
}

}  // namespace
}  // namespace velmora::bench

int main(int argc, char** argv) {
  cv::setNumThreads(1);
  velmora::bench::registerAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
