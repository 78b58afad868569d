#!/usr/bin/env bash
# Installs the AVI muxers the muxer-file tests drive, when missing. Each group is tried on
# its own: a muxer whose packages do not install only makes its tests skip.
set -uo pipefail

groups=(
  "mencoder"
  "gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly gstreamer1.0-libav"
  "python3-opencv"
  "vlc-bin vlc-plugin-base"
  "dvgrab"
  "mjpegtools"
)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
updated=0
failed=0
for group in "${groups[@]}"; do
  missing=()
  for p in $group; do installed "$p" || missing+=("$p"); done
  [ ${#missing[@]} -eq 0 ] && continue
  if [ $updated -eq 0 ]; then
    $sudo apt-get update -qq -o DPkg::Lock::Timeout=600 || echo "install-muxers: apt-get update failed; trying the installs anyway"
    updated=1
  fi
  echo "install-muxers: installing ${missing[*]}"
  # Waits for another apt-get instead of failing on its lock.
  if ! DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
       -o DPkg::Lock::Timeout=600 "${missing[@]}" >"$log" 2>&1; then
    grep '^E:' "$log" || tail -n 3 "$log"
    echo "install-muxers: could not install ${missing[*]}; the tests of that muxer will be skipped"
    failed=1
  fi
done
[ $failed -eq 0 ] && echo "install-muxers: all muxers installed"
exit 0
