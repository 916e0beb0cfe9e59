#!/bin/sh
# Runs the extension fuzzer of a VELMORA_FUZZ build (tools/test.sh fuzz makes
# one in build-fuzz/) with the virtual camera preloaded.
#
#   fuzz/run.sh [SECONDS] [LIBFUZZER_FLAG...]     default 60 seconds
#
# New inputs go to build-fuzz/fuzz-corpus (fuzz/corpus holds the seeds and is
# only read), a failing input to build-fuzz/fuzz-crash-* (-leak-, -oom-,
# -timeout-), the whole output to build-fuzz/fuzz.log.  Leaks are checked once, when the run ends: every
# input unbalances the heap a little (each open queues an event that the
# host keeps), so libFuzzer's check after each input would run LeakSanitizer
# over the whole heap nearly every time, at a tenth of the speed.
set -eu
cd "$(dirname "$0")/.."
build=${VELMORA_FUZZ_BUILD:-build-fuzz}
seconds=${1:-60}
[ $# -gt 0 ] && shift
mkdir -p "$build/fuzz-corpus"

status=0
OPENCV_LOG_LEVEL=ERROR LD_PRELOAD="$build/lib/libvelmora_virtual_camera.so" \
  "$build/bin/extension_fuzzer" "$build/fuzz-corpus" fuzz/corpus \
  -max_total_time="$seconds" -max_len=512 -timeout=10 -rss_limit_mb=2048 -detect_leaks=0 \
  -print_final_stats=1 -artifact_prefix="$build/fuzz-" "$@" >"$build/fuzz.log" 2>&1 || status=$?
# Left out: the extension's log line for every camera that does not open and
# libFuzzer's recommended dictionary.  What remains ends with libFuzzer's
# statistics or, on failure, its report.
grep -v '^CameraTestLog_ ' "$build/fuzz.log" |
  sed '/^###### Recommended dictionary/,/^###### End of recommended dictionary/d' | tail -n 40
exit "$status"
