// GrabData's processing after the read, per rotation and flip setting, with
// the overlay off and on: the fused pass (what GrabData runs) against the
// plain OpenCV sequence it replaced.  Each iteration starts from the frame
// as read, copied into the frame buffer as OpenCV's capture copies it; the
// read is not timed.  Beside them, the same bytes moved in order with no
// turn, the least a rotated pass can cost.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <utility>

#include <opencv2/videoio.hpp>

#include "bench/bench_frames.h"
#include "bench/frame_benchmarks.h"
#include "frames/frame_buffer_pair.h"
#include "frames/frame_pass.h"
#include "frames/kernels/row_kernels.h"
#include "frames/reference_delivery.h"

namespace velmora::bench {
namespace {

constexpr FrameSize kSizes[] = {{1280, 720}, {1920, 1080}};

// Delivers the same frame on every read, copied as OpenCV's captures copy.
class RepeatingCapture : public cv::VideoCapture {
 public:
  explicit RepeatingCapture(cv::Mat frame) : frame_(std::move(frame)) {}
  bool grab() override { return true; }
  bool retrieve(cv::OutputArray image, int) override {
    frame_.copyTo(image);
    return true;
  }

 private:
  cv::Mat frame_;
};

DeliverySettings settingsOf(const benchmark::State& state, const Setting& setting) {
  return {setting.rotate, setting.flipCode, state.range(2) != 0};
}

void BM_Fused(benchmark::State& state, Setting setting) {
  const cv::Mat captured =
      randomFrame(static_cast<int>(state.range(1)), static_cast<int>(state.range(0)));
  const DeliverySettings settings = settingsOf(state, setting);
  BitmapMemory bitmap(setting.rotate ? captured.rows : captured.cols,
                      setting.rotate ? captured.cols : captured.rows);
  RepeatingCapture capture(captured);
  cv::Mat frameBuffer;
  for (auto _ : state) {
    state.PauseTiming();
    readIntoFrameBuffer(capture, frameBuffer, settings.rotate);
    state.ResumeTiming();
    FramePass::prepare(frameBuffer, settings).finish(&bitmap.descriptor());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bitmap.byteCount()));
}

void BM_Plain(benchmark::State& state, Setting setting) {
  const cv::Mat captured =
      randomFrame(static_cast<int>(state.range(1)), static_cast<int>(state.range(0)));
  const DeliverySettings settings = settingsOf(state, setting);
  BitmapMemory bitmap(setting.rotate ? captured.rows : captured.cols,
                      setting.rotate ? captured.cols : captured.rows);
  cv::Mat frameBuffer;
  for (auto _ : state) {
    state.PauseTiming();
    captured.copyTo(frameBuffer);
    state.ResumeTiming();
    deliverFrameReference(frameBuffer, settings, &bitmap.descriptor());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bitmap.byteCount()));
}

// The bytes a rotated pass moves (read the frame once, write the bitmap and
// a second frame), moved in order row by row with no turn: what any order of
// reading and writing them costs at best on this machine.
void BM_InOrderFloor(benchmark::State& state) {
  const cv::Mat captured =
      randomFrame(static_cast<int>(state.range(1)), static_cast<int>(state.range(0)));
  BitmapMemory bitmap(captured.cols, captured.rows);
  cv::Mat second(captured.size(), captured.type());
  const kernels::RowKernels& rows = kernels::rowKernels();
  const ptrdiff_t bitmapStep = static_cast<ptrdiff_t>(captured.cols) * 4;
  for (auto _ : state) {
    for (int r = 0; r < captured.rows; ++r) {
      rows.convertRow3(captured.ptr(r), bitmap.bytes() + r * bitmapStep, captured.cols);
      std::memcpy(second.ptr(r), captured.ptr(r), static_cast<size_t>(captured.cols) * 3);
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bitmap.byteCount()));
}

void arguments(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "overlay"})->Unit(benchmark::kMicrosecond);
  for (const FrameSize s : kSizes) {
    for (int overlay : {0, 1}) b->Args({s.width, s.height, overlay});
  }
}

}  // namespace

void registerPassBenchmarks() {
  for (const Setting& setting : kSettings) {
    benchmark::RegisterBenchmark((std::string("Pass/Fused/") + setting.name).c_str(), BM_Fused,
                                 setting)
        ->Apply(arguments);
    benchmark::RegisterBenchmark((std::string("Pass/Plain/") + setting.name).c_str(), BM_Plain,
                                 setting)
        ->Apply(arguments);
  }
  benchmark::RegisterBenchmark("Pass/InOrderFloor", BM_InOrderFloor)->Apply([](auto* b) {
    b->ArgNames({"w", "h"})->Unit(benchmark::kMicrosecond);
    for (const FrameSize s : kSizes) b->Args({s.width, s.height});
  });
}

}  // namespace velmora::bench
