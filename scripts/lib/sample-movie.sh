# Sourced by the picture and preview scripts: the build target they need, a work folder
# removed on exit, and an ffmpeg-made MPEG-4 + MP3 test movie in it.
# Usage: prepare_movie BUILD_DIR TARGET NAME SIZE SECONDS GOP AUDIO_RATE [FFMPEG ARGS…]
# sets build, work and movie (the test movie's path).
prepare_movie() {
  build=$1
  cmake --build "$build" --target "$2" >/dev/null
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
  movie="$work/$3"
  local size=$4 seconds=$5 gop=$6 audio=$7
  shift 7
  ffmpeg -nostdin -v error -y -f lavfi -i "testsrc=size=$size:rate=25:duration=$seconds" \
    -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=$seconds" \
    -c:v mpeg4 "$@" -g "$gop" -q:v 4 -c:a libmp3lame -b:a "$audio" -fflags +bitexact "$movie"
}
