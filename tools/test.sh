#!/bin/sh
# Installs what is missing, builds from nothing and runs the test suite.
# Exits non-zero when any stage fails.
#
#   tools/test.sh            every stage, in order
#   tools/test.sh STAGE...   only the named stages
#
# Stages:
#   native   the normal build in build/ and its whole CTest suite
set -eu
cd "$(dirname "$0")/.."
tools/install_dependencies.sh

jobs=$(nproc)

stage_native() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build -j "$jobs"
  ctest --test-dir build -j "$jobs" --output-on-failure
}

stages=${*:-native}
for stage in $stages; do
  echo "=== test stage: $stage"
  "stage_$stage"
done
