#!/usr/bin/env bash
# Pictures of the main window's tabs (default and minimum size), the About window and
# the jobs at work (a split on its Working page, the join list with two runs),
# on an ffmpeg-made movie, into docs/screenshots/. Usage: scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/sample-movie.sh
prepare_movie "${1:-build}" zendra_screenshots holiday.avi 640x480 12 12 64k
mkdir -p docs/screenshots "$work/runtime"
chmod 700 "$work/runtime"
# The program, with its tour, opens the movie, photographs itself and quits.
XDG_RUNTIME_DIR="$work/runtime" ZENDRA_SCREENSHOT_DIR="$PWD/docs/screenshots" ZENDRA_SCREENSHOT_MOVIE="$movie" \
  timeout 120 xvfb-run -a -s "-screen 0 1280x1024x24" "$build/zendra_screenshots" 2>/dev/null
ls docs/screenshots
