#!/usr/bin/env bash
# Seek-and-render time of the preview on a 640x480 MPEG-4 movie with a key frame
# every 12 frames. Usage: bench/preview_seek.sh [BUILD_DIR] [SEEKS]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/sample-movie.sh
prepare_movie "${1:-build}" preview_seek_bench bench.avi 640x480 60 12 128k
"$build/tests/app/preview_seek_bench" "$movie" "${2:-300}"
