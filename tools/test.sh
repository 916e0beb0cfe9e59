#!/bin/sh
# Installs what is missing, builds everything from nothing into build/ and
# runs the whole test suite.  Exits non-zero when any test fails.
set -eu
cd "$(dirname "$0")/.."
tools/install_dependencies.sh

jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build -j "$jobs" --output-on-failure
