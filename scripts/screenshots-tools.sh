#!/usr/bin/env bash
# Pictures of the structure viewer and the compare window on an ffmpeg-made movie,
# into docs/screenshots/. Usage: scripts/screenshots-tools.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
source scripts/lib/sample-movie.sh
build_in_work "$build" tool_screenshots
make_test_movie "$work/sample.avi" 320x240 10 25 128k -vtag XVID
mkdir -p docs/screenshots
xvfb-run -a -s "-screen 0 1280x800x24" "$build/tests/viewer/tool_screenshots" "$work/sample.avi" docs/screenshots
