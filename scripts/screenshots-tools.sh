#!/usr/bin/env bash
# Pictures of the structure viewer and the compare window on an ffmpeg-made movie,
# into docs/screenshots/. Usage: scripts/screenshots-tools.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/sample-movie.sh
prepare_movie "${1:-build}" tool_screenshots sample.avi 320x240 10 25 128k -vtag XVID
mkdir -p docs/screenshots
xvfb-run -a -s "-screen 0 1280x800x24" "$build/tests/viewer/tool_screenshots" "$movie" docs/screenshots
