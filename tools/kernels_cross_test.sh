#!/bin/sh
# Builds the row functions and their test for 64- and 32-bit ARM with
# Debian's cross compilers and runs it under qemu-user, so the NEON rows are
# checked against the reference on a machine without an ARM processor.
#
#   tools/kernels_cross_test.sh            both targets
#   tools/kernels_cross_test.sh aarch64    one of aarch64, armhf
set -eu
cd "$(dirname "$0")/.."

packages="g++-aarch64-linux-gnu g++-arm-linux-gnueabihf qemu-user-static libgtest-dev cmake make"
missing=""
for package in $packages; do
  dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$' ||
    missing="$missing $package"
done
if [ -n "$missing" ]; then
  as_root=""
  [ "$(id -u)" -eq 0 ] || as_root="sudo"
  $as_root apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y -qq --no-install-recommends $missing
fi

run_target() {
  case "$1" in
    aarch64) triple=aarch64-linux-gnu processor=aarch64 qemu=qemu-aarch64-static ;;
    armhf) triple=arm-linux-gnueabihf processor=armv7-a qemu=qemu-arm-static ;;
    *) echo "unknown target $1" >&2; exit 2 ;;
  esac
  build=build-kernels-$1
  cmake -S tests/kernels_cross -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_SYSTEM_NAME=Linux -DCMAKE_SYSTEM_PROCESSOR="$processor" \
    -DCMAKE_C_COMPILER="$triple-gcc" -DCMAKE_CXX_COMPILER="$triple-g++" \
    "-DCMAKE_CROSSCOMPILING_EMULATOR=$qemu;-L;/usr/$triple"
  cmake --build "$build" -j "$(nproc)"
  ctest --test-dir "$build" --output-on-failure
}

for target in ${*:-aarch64 armhf}; do
  echo "=== kernels on $target"
  run_target "$target"
done
