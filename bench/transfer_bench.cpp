// The bitmap transfer alone, one thread: a 3-channel frame to opaque 32-bit
// pixels, by the reference loop, by each row-function set, by OpenCV's
// cvtColor and by libyuv, against memcpy of the frame's and of the bitmap's
// bytes.
#include <benchmark/benchmark.h>
#include <libyuv/convert_argb.h>

#include <cstring>
#include <string>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "bench/bench_frames.h"
#include "bench/frame_benchmarks.h"
#include "frames/bitmap_transfer.h"
#include "frames/kernels/row_kernels.h"

namespace velmora::bench {
namespace {

constexpr FrameSize kSizes[] = {{640, 480}, {1280, 720}, {1920, 1080}};

struct Fixture {
  Fixture(const benchmark::State& state)
      : frame(randomFrame(static_cast<int>(state.range(1)), static_cast<int>(state.range(0)))),
        bitmap(frame.cols, frame.rows) {}
  cv::Mat frame;
  BitmapMemory bitmap;
};

void finish(benchmark::State& state, const Fixture& f) {
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(f.bitmap.byteCount()));
}

void BM_TransferReference(benchmark::State& state) {
  Fixture f(state);
  const FREBitmapData2& d = f.bitmap.descriptor();
  for (auto _ : state) {
    convertBgrToBitmap(f.frame.data, f.frame.step[0], 3, d.bits32, d.lineStride32, d.width,
                       d.height);
    benchmark::ClobberMemory();
  }
  finish(state, f);
}

// The conversion rows the fused pass runs, for one set of row functions.
void BM_TransferRows(benchmark::State& state, const kernels::RowKernels* set) {
  Fixture f(state);
  const ptrdiff_t dstStep = static_cast<ptrdiff_t>(f.frame.cols) * 4;
  for (auto _ : state) {
    for (int r = 0; r < f.frame.rows; ++r) {
      set->convertRow3(f.frame.ptr(r), f.bitmap.bytes() + r * dstStep, f.frame.cols);
    }
    benchmark::ClobberMemory();
  }
  finish(state, f);
}

void BM_TransferCvtColor(benchmark::State& state) {
  Fixture f(state);
  cv::Mat out(f.frame.rows, f.frame.cols, CV_8UC4, f.bitmap.bytes());
  for (auto _ : state) {
    cv::cvtColor(f.frame, out, cv::COLOR_BGR2BGRA);
    benchmark::ClobberMemory();
  }
  finish(state, f);
}

void BM_TransferLibyuv(benchmark::State& state) {
  Fixture f(state);
  for (auto _ : state) {
    libyuv::RGB24ToARGB(f.frame.data, static_cast<int>(f.frame.step[0]), f.bitmap.bytes(),
                        f.frame.cols * 4, f.frame.cols, f.frame.rows);
    benchmark::ClobberMemory();
  }
  finish(state, f);
}

void BM_MemcpyFrameBytes(benchmark::State& state) {
  Fixture f(state);
  const size_t bytes = f.frame.total() * 3;
  for (auto _ : state) {
    std::memcpy(f.bitmap.bytes(), f.frame.data, bytes);
    benchmark::ClobberMemory();
  }
  finish(state, f);
}

void BM_MemcpyBitmapBytes(benchmark::State& state) {
  Fixture f(state);
  std::vector<uint8_t> source(f.bitmap.byteCount(), 7);
  for (auto _ : state) {
    std::memcpy(f.bitmap.bytes(), source.data(), source.size());
    benchmark::ClobberMemory();
  }
  finish(state, f);
}

void sizes(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h"})->Unit(benchmark::kMicrosecond);
  for (const FrameSize s : kSizes) b->Args({s.width, s.height});
}

}  // namespace

void registerTransferBenchmarks() {
  benchmark::RegisterBenchmark("Transfer/Reference", BM_TransferReference)->Apply(sizes);
  for (const kernels::RowKernels* set : kernels::availableRowKernels()) {
    benchmark::RegisterBenchmark((std::string("Transfer/Rows") + set->name).c_str(),
                                 BM_TransferRows, set)
        ->Apply(sizes);
  }
  benchmark::RegisterBenchmark("Transfer/CvtColor", BM_TransferCvtColor)->Apply(sizes);
  benchmark::RegisterBenchmark("Transfer/Libyuv", BM_TransferLibyuv)->Apply(sizes);
  benchmark::RegisterBenchmark("Memcpy/FrameBytes", BM_MemcpyFrameBytes)->Apply(sizes);
  benchmark::RegisterBenchmark("Memcpy/BitmapBytes", BM_MemcpyBitmapBytes)->Apply(sizes);
}

}  // namespace velmora::bench
