#!/bin/sh
# Builds Release and runs the frame-delivery benchmarks, then writes the
# results table to bench/RESULTS.md (medians of repeated runs, one process
# per suite so that ratios are measured side by side).
#
#   tools/bench.sh                       build-bench/, 5 repetitions
#   BENCH_BUILD_DIR=dir BENCH_REPETITIONS=n tools/bench.sh
set -eu
cd "$(dirname "$0")/.."
tools/install_dependencies.sh

build=${BENCH_BUILD_DIR:-build-bench}
repetitions=${BENCH_REPETITIONS:-5}
results=out/bench
mkdir -p "$results"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELMORA_BENCHMARKS=ON
cmake --build "$build" -j "$(nproc)" --target frame_delivery_bench grab_data_bench

options="--benchmark_repetitions=$repetitions --benchmark_report_aggregates_only=true
  --benchmark_min_time=0.2 --benchmark_format=json"
# shellcheck disable=SC2086
"$build/bin/frame_delivery_bench" $options > "$results/frame_delivery.json"
# The virtual camera serves frames as fast as they are asked for.
# shellcheck disable=SC2086
OPENCV_LOG_LEVEL=ERROR VELMORA_VCAM_FPS=0 LD_PRELOAD="$PWD/$build/lib/libvelmora_virtual_camera.so" \
  "$build/bin/grab_data_bench" $options > "$results/grab_data.json"

python3 bench/results_table.py "$results/frame_delivery.json" "$results/grab_data.json" \
  "tools/bench.sh" > bench/RESULTS.md
echo "wrote bench/RESULTS.md"
