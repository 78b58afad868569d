#!/usr/bin/env bash
# Installs the Debian packages Zendra needs to build, run and test, when missing.
set -euo pipefail

packages=(build-essential cmake pkg-config qt6-base-dev libmpv-dev libgtest-dev
          ffmpeg xvfb xauth imagemagick fonts-dejavu-core
          desktop-file-utils appstream x11-utils dpkg-dev file)
[ "${ZENDRA_FUZZ:-0}" = 1 ] && packages+=(clang libclang-rt-14-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
