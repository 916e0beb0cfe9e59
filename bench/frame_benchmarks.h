// Registration of the frame benchmarks that run in one process (see main.cpp).
#ifndef VELMORA_BENCH_FRAME_BENCHMARKS_H_
#define VELMORA_BENCH_FRAME_BENCHMARKS_H_

namespace velmora::bench {

void registerTransferBenchmarks();
void registerPassBenchmarks();

}  // namespace velmora::bench

#endif  // VELMORA_BENCH_FRAME_BENCHMARKS_H_
