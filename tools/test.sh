#!/bin/sh
# Installs what is missing, builds from nothing and runs the test suite.
# Exits non-zero when any stage fails.
#
#   tools/test.sh            every stage, in order
#   tools/test.sh STAGE...   only the named stages
#
# Stages:
#   native   the normal build in build/ and its whole CTest suite
#   i386     everything built as 32-bit x86 in build-i386/ (char unsigned, as
#            on 32-bit ARM) against i386 libraries unpacked by
#            tools/i386_sysroot.sh, and its whole CTest suite run here
#   sanitize everything built with AddressSanitizer and
#            UndefinedBehaviorSanitizer (GCC) in build-asan/, and its whole
#            CTest suite, the leak check under LeakSanitizer among it
#   fuzz     the libFuzzer target built with clang in build-fuzz/ and run
#            for a minute (fuzz/README.md)
#   arm      the row kernels, NEON included, cross-built for 64- and 32-bit
#            ARM and checked against the plain rows under qemu-user
set -eu
cd "$(dirname "$0")/.."
tools/install_dependencies.sh

jobs=$(nproc)
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT

# Runs a CTest suite, keeping its "N tests failed out of M" line for the
# closing count.  CTest's exit status is the suite's verdict.
run_ctest() {
  log=$(mktemp)
  status=0
  ctest "$@" -j "$jobs" --output-on-failure > "$log" 2>&1 || status=$?
  cat "$log"
  grep -E 'tests failed out of [0-9]+' "$log" >> "$summary" || true
  rm -f "$log"
  return "$status"
}

stage_native() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build -j "$jobs"
  run_ctest --test-dir build
}

stage_i386() {
  tools/i386_sysroot.sh build-i386/i386-root
  cmake -S . -B build-i386 -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_BENCHMARKS=OFF \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/i386-linux-gnu.cmake
  cmake --build build-i386 -j "$jobs"
  run_ctest --test-dir build-i386
}

stage_sanitize() {
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_BENCHMARKS=OFF \
    -DVELMORA_SANITIZE=ON
  cmake --build build-asan -j "$jobs"
  run_ctest --test-dir build-asan
}

stage_fuzz() {
  cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_BENCHMARKS=OFF \
    -DVELMORA_FUZZ=ON -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
  cmake --build build-fuzz -j "$jobs" --target extension_fuzzer
  fuzz/run.sh 60
}

stage_arm() {
  tools/kernels_cross_test.sh
}

stages=${*:-native i386 sanitize fuzz arm}
for stage in $stages; do
  echo "=== test stage: $stage"
  "stage_$stage"
done

# Every stage passed (set -e stops at the first that fails); the closing line
# counts the CTest cases of all of them.
awk '{ for (i = 1; i <= NF; i++) if ($i == "out" && $(i + 1) == "of") { total += $(i + 2); failed += $(i - 3) } }
     END { printf "%d passed, %d failed\n", total - failed, failed }' "$summary"

