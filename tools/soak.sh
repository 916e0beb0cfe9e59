#!/bin/sh
# Soak run: velmora-camera-run calls GrabData GRABS times at 640x480 on the
# virtual camera, and this script reports the command's resident memory once
# grabbing is under way and again near its end, next to the command's own
# report (frames per second, time per call).
#
#   tools/soak.sh [BUILD] [GRABS] [velmora-camera-run option...]
#       BUILD: a build folder (build), GRABS: 100000
#
# Memory is read from /proc each time the command prints a progress line
# (once a second while it grabs, from its third second on), so both figures
# come from inside the grab loop, before anything is released.
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}
grabs=${2:-100000}
[ $# -gt 2 ] && shift 2 || set --
run=$build/bin/velmora-camera-run
if [ ! -x "$run" ]; then
  echo "soak: no $run; build it first: cmake --build $build --target velmora-camera-run" >&2
  exit 2
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
"$run" --virtual-camera on --size 640x480 --frames "$grabs" "$@" >"$log" 2>&1 &
pid=$!

resident() { sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\) kB$/\1/p' "/proc/$pid/status" 2>/dev/null; }
seen=0
first="" first_at="" last="" last_at=""
while kill -0 "$pid" 2>/dev/null; do
  lines=$(grep -c '^  grabbed ' "$log" || true)
  if [ "$lines" -gt "$seen" ]; then
    seen=$lines
    kb=$(resident)
    at=$(grep '^  grabbed ' "$log" | tail -n 1 | sed 's/^  grabbed \([0-9]*\) .*/\1/')
    if [ -n "$kb" ]; then
      [ -n "$first" ] || { first=$kb; first_at=$at; }
      last=$kb
      last_at=$at
    fi
  fi
  sleep 0.2
done
status=0
wait "$pid" || status=$?

grep -v '^  grabbed ' "$log"
if [ -n "$first" ]; then
  echo "resident memory: $((first / 1024)) MB ($first kB) after $first_at grabs," \
    "$((last / 1024)) MB ($last kB) after $last_at grabs," \
    "growth $((last - first)) kB"
else
  echo "soak: the run ended before memory could be read" >&2
  [ "$status" -ne 0 ] || status=1
fi
exit "$status"
