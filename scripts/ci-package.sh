#!/usr/bin/env bash
# CI: builds the Debian package in build-package/, installs it, runs the installed
# programs (the desktop program under Xvfb), and removes the package again.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$root/build-package

scripts/install-deps.sh
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
apt() { DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=300 -y -qq "$@" >/dev/null; }
# Packaging (dpkg-shlibdeps, file) and the window check (Xvfb, xwininfo, import).
tools=(dpkg-dev file x11-utils xvfb xauth imagemagick ffmpeg)
missing=()
for p in "${tools[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt update
  apt install --no-install-recommends "${missing[@]}"
fi

step() { echo "== $*"; }

step "Release build in build-package/"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DZENDRA_TESTS=OFF \
  "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

step "cpack -G DEB"
rm -f "$build"/zendra_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/zendra_*.deb)
version=$(dpkg-deb -f "$deb" Version)
echo "$(basename "$deb"): Depends: $(dpkg-deb -f "$deb" Depends)"
[[ $(basename "$deb") == zendra_${version}_$(dpkg --print-architecture).deb ]] ||
  { echo "FAIL: unexpected package name $(basename "$deb")"; exit 1; }

step "apt-get install ./$(basename "$deb")"
installed() { dpkg-query -W -f='${Status}' zendra 2>/dev/null | grep -q "ok installed"; }
# A copy left by an earlier run would hide a file the package lost.
if installed; then apt remove zendra; fi
work=$(mktemp -d)
trap 'apt remove zendra || true; rm -rf "$work"' EXIT
apt install "$deb"

fail() {
  echo "FAIL: $*"
  exit 1
}

step "installed files"
for path in /usr/bin/zendra /usr/bin/zendra-cli /usr/bin/zendra-viewer /usr/bin/zendra-compare \
    /usr/share/zendra/help/Default.htm /usr/share/applications/org.example.Zendra.desktop \
    /usr/share/metainfo/org.example.Zendra.metainfo.xml /usr/share/man/man1/zendra-cli.1; do
  [ -e "$path" ] || fail "$path is not installed"
done
dpkg -L zendra | grep -q '/zendra/libzendra-desktop.so$' || fail "libzendra-desktop.so is not installed"

step "zendra-cli"
cd "$work"
[ "$(zendra-cli --version)" = "zendra-cli $version" ] || fail "zendra-cli --version: $(zendra-cli --version)"
zendra-cli --version
ffmpeg -loglevel error -y -f lavfi -i testsrc=size=320x240:rate=25 -f lavfi -i sine=frequency=440:sample_rate=22050 \
  -t 4 -c:v mpeg4 -g 25 -c:a pcm_s16le -shortest movie.avi
zendra-cli info movie.avi | tee info.txt
grep -q '^Frames: *100$' info.txt || fail "zendra-cli info did not count 100 frames"
# A split needs the GUID of the installed desktop-services module.
zendra-cli split movie.avi -n 2 -o parts -y >/dev/null
[ "$(find parts -name '*.avi' | wc -l)" -ge 2 ] || fail "zendra-cli split wrote no parts"
echo "split into $(find parts -name '*.avi' | wc -l) parts"

step "zendra under Xvfb"
# A guard folder of its own, so a copy running elsewhere on the machine is not woken instead.
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
shot=$build/installed-zendra.png
cat > show-window.sh <<'SHOW'
#!/usr/bin/env bash
# show-window.sh TITLE SCREENSHOT PROGRAM ARGS...: waits for the window, takes the screen.
title=$1 shot=$2
shift 2
"$@" >program.log 2>&1 &
pid=$!
for _ in $(seq 1 60); do
  xwininfo -root -tree | grep -q "\"$title" && break
  sleep 0.5
done
sleep 1
found=$(xwininfo -root -tree | grep "\"$title" | head -1)
import -window root "$shot"
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
[ -n "$found" ] || { echo "no window \"$title\""; cat program.log; exit 1; }
echo "window:$found"
SHOW
chmod +x show-window.sh
shows() {  # TITLE SCREENSHOT PROGRAM ARGS...
  xvfb-run -a -s "-screen 0 1280x900x24" ./show-window.sh "$@" || fail "$3 showed no window"
  [ "$(identify -format '%k' "$2")" -gt 16 ] || fail "$3's screenshot is blank"
  echo "screenshot $2"
}
shows "Zendra classic version $version" "$shot" zendra movie.avi
shows "AVI file structure viewer" "$build/installed-zendra-viewer.png" zendra-viewer movie.avi
shows "Binary file compare" "$build/installed-zendra-compare.png" zendra-compare movie.avi "$(find parts -name '*.avi' | sort | head -1)"

step "apt-get remove zendra"
cd "$root"
trap 'rm -rf "$work"' EXIT
apt remove zendra
if installed || [ -e /usr/bin/zendra ]; then fail "zendra is still installed"; fi
echo "package installed, ran and was removed"
