#!/bin/sh
# Checks the extension library's soname, that its dynamic symbol table
# exports exactly the runtime's entry points, the extension functions and the
# camera state, none of them mangled, and that the library's own uses of
# those names are bound inside it (no dynamic relocation names one of them,
# so a same-named symbol elsewhere in the process cannot take its place).
set -eu
library=$1
expected='ContextFinalizer
ContextInitializer
ExtFinalizer
ExtInitializer
GrabData
InitCam
ReleaseCam
SetCamInfo
SetCamWhiteBalance
mCamIsRunning
mCamera
mCameraBitmapdata
mCameraHeight
mCameraWidth
mDebugModel
mFlip
mRotation
releaseCam'

soname=$(readelf -d "$library" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')
if [ "$soname" != "libVelmoraNativeCamera.so" ]; then
  echo "soname is '$soname', expected libVelmoraNativeCamera.so" >&2
  exit 1
fi

workdir=$(mktemp -d)
trap 'rm -rf "$workdir"' EXIT
printf '%s\n' "$expected" | LC_ALL=C sort > "$workdir/expected"
nm -D --defined-only "$library" | awk '{print $3}' | sed 's/@.*//' | LC_ALL=C sort > "$workdir/actual"
if ! diff "$workdir/expected" "$workdir/actual" >&2; then
  echo "exported symbols differ from the expected list (< expected, > exported)" >&2
  exit 1
fi
readelf -rW "$library" | awk 'NF >= 5 {print $5}' | sed 's/@.*//' | LC_ALL=C sort -u \
  > "$workdir/relocated"
LC_ALL=C comm -12 "$workdir/expected" "$workdir/relocated" > "$workdir/interposable"
if [ -s "$workdir/interposable" ]; then
  echo "the library's own uses of these exported names can be bound elsewhere:" >&2
  cat "$workdir/interposable" >&2
  exit 1
fi
echo "soname and $(wc -l < "$workdir/actual") exported symbols as expected, all bound inside"
