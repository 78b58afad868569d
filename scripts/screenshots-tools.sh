#!/usr/bin/env bash
# Pictures of the structure viewer and the compare window on an ffmpeg-made movie,
# into docs/screenshots/. Usage: scripts/screenshots-tools.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
cmake --build "$build" --target tool_screenshots >/dev/null
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=320x240:rate=25:duration=10 \
  -f lavfi -i sine=frequency=440:sample_rate=44100:duration=10 \
  -c:v mpeg4 -vtag XVID -g 25 -q:v 4 -c:a libmp3lame -b:a 128k -fflags +bitexact "$work/sample.avi"
mkdir -p docs/screenshots
xvfb-run -a -s "-screen 0 1280x800x24" "$build/tests/viewer/tool_screenshots" "$work/sample.avi" docs/screenshots
