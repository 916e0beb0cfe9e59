// One process for the transfer and the whole-processing benchmarks, so that
// their ratios come from one run on one machine state.  OpenCV runs on one
// thread, as the fused pass does.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>

#include "bench/frame_benchmarks.h"

int main(int argc, char** argv) {
  cv::setNumThreads(1);
  velmora::bench::registerTransferBenchmarks();
  velmora::bench::registerPassBenchmarks();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
