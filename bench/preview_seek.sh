#!/usr/bin/env bash
# Seek-and-render time of the preview on a 640x480 MPEG-4 movie with a key frame
# every 12 frames. Usage: bench/preview_seek.sh [BUILD_DIR] [SEEKS]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
cmake --build "$build" --target preview_seek_bench >/dev/null
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=640x480:rate=25:duration=60 \
  -f lavfi -i sine=frequency=440:sample_rate=44100:duration=60 \
  -c:v mpeg4 -g 12 -q:v 4 -c:a libmp3lame -b:a 128k -fflags +bitexact "$work/bench.avi"
"$build/tests/app/preview_seek_bench" "$work/bench.avi" "${2:-300}"
