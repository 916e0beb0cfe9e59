#!/bin/sh
# Installs what is missing, builds the extension, the virtual camera and
# velmora-camera-run, and runs the extension end to end on the default camera
# (the virtual one when the machine has none), writing out/frame.png.
#
#   tools/demo.sh [OPTION]...   options are passed on to velmora-camera-run
#                               (tools/demo.sh --help lists them)
set -eu
cd "$(dirname "$0")/.."
tools/install_dependencies.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target velmora-camera-run VelmoraNativeCamera velmora_virtual_camera

# 90 frames mirrored, as a front camera's preview is, with the size overlay;
# the virtual camera is paced like a real one, so this takes three seconds.
build/bin/velmora-camera-run --size 1280x720 --flip 1 --overlay --frames 90 --virtual-fps 30 \
  --output out/frame.png "$@"
echo "the last frame: $PWD/out/frame.png"
