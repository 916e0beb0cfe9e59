#!/bin/sh
# Installs the Debian packages the project builds, tests and runs with.
# Run as root (or through sudo); packages already present are not fetched again.
set -eu

packages="cmake make g++ pkg-config binutils
  libopencv-core-dev libopencv-imgproc-dev libopencv-videoio-dev libopencv-imgcodecs-dev
  android-liblog-dev libgtest-dev libgmock-dev libbenchmark-dev libyuv-dev
  clang-14 libclang-rt-14-dev clang-format valgrind python3"

missing=""
for package in $packages; do
  if ! dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
    missing="$missing $package"
  fi
done

if [ -n "$missing" ]; then
  echo "installing:$missing"
  as_root=""
  [ "$(id -u)" -eq 0 ] || as_root="sudo"
  $as_root apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y -qq --no-install-recommends $missing
fi
