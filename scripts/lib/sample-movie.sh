# Sourced by the picture and preview scripts: the build target they need, a work folder
# removed on exit, and an ffmpeg-made MPEG-4 + MP3 test movie.
# Usage: build_in_work BUILD_DIR TARGET; make_test_movie OUT SIZE SECONDS GOP AUDIO_RATE [FFMPEG ARGS…]
build_in_work() {
  cmake --build "$1" --target "$2" >/dev/null
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
}

make_test_movie() {
  local out=$1 size=$2 seconds=$3 gop=$4 audio=$5
  shift 5
  ffmpeg -nostdin -v error -y -f lavfi -i "testsrc=size=$size:rate=25:duration=$seconds" \
    -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=$seconds" \
    -c:v mpeg4 "$@" -g "$gop" -q:v 4 -c:a libmp3lame -b:a "$audio" -fflags +bitexact "$out"
}
