#!/usr/bin/env bash
# Checks of the files an install ships: check-dist.sh CHECK ARGS...
# Exit 77 (a skip for ctest) when the tool a check needs is missing.
set -euo pipefail

skip() {
  echo "SKIPPED: $*"
  exit 77
}

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The command words and options that 'zendra-cli --help' lists.
help_commands() { "$1" --help | awk '/^  [a-z]/ { print $1 }'; }
help_options() { "$1" --help | grep '^  ' | grep -oE '(^| |\[)--?[a-z][a-z-]*' | tr -d ' [' | sort -u; }

check_metainfo() {  # METAINFO
  command -v appstreamcli >/dev/null || skip "appstreamcli not found (install the package appstream)"
  appstreamcli validate --no-net "$1"
}

check_desktop() {  # DESKTOP...
  command -v desktop-file-validate >/dev/null ||
    skip "desktop-file-validate not found (install the package desktop-file-utils)"
  local status=0
  for entry in "$@"; do
    # Hints are advice; warnings and errors fail.
    if desktop-file-validate --no-hints "$entry" | grep -E 'warning|error'; then status=1; fi
  done
  grep -qx 'MimeType=video/x-msvideo;video/avi;' "$1" || fail "$1 does not open AVI files"
  grep -qE '^Exec=zendra %[fF]' "$1" || fail "$1 does not hand the file to zendra"
  return $status
}

check_man_page() {  # CLI MANPAGE
  local cli=$1 page=$2 text missing=()
  if command -v groff >/dev/null; then
    local warnings
    warnings=$(groff -man -ww -z "$page" 2>&1)
    [ -z "$warnings" ] || fail "groff warns about $page: $warnings"
  fi
  text=$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$page")
  for word in $(help_commands "$cli") $(help_options "$cli"); do
    grep -qF -- "$word" <<<"$text" || missing+=("$word")
  done
  [ ${#missing[@]} -eq 0 ] || fail "the man page lacks what --help lists: ${missing[*]}"
}

complete_words() {  # COMPLETION WORDS... (the last one is being completed)
  local script=$1
  shift
  shopt -s extglob  # as bash-completion sets it
  # shellcheck disable=SC1090
  source "$script"
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMPREPLY=()
  _zendra_cli
  printf '%s\n' "${COMPREPLY[@]}"
}

check_completion() {  # CLI COMPLETION
  local cli=$1 script=$2 offered missing=()
  offered=$(complete_words "$script" zendra-cli "")
  for word in $(help_commands "$cli") --help --version; do
    grep -qx -- "$word" <<<"$offered" || missing+=("$word")
  done
  for command in $(help_commands "$cli"); do
    offered=$(complete_words "$script" zendra-cli "$command" -)
    for option in $("$cli" --help | grep "^  $command " | grep -oE '(^| |\[)--?[a-z][a-z-]*' | tr -d ' ['); do
      grep -qx -- "$option" <<<"$offered" || missing+=("$command $option")
    done
  done
  offered=$(complete_words "$script" zendra-cli split -m "")
  grep -qx median <<<"$offered" || missing+=("split -m median")
  [ ${#missing[@]} -eq 0 ] || fail "completion does not offer: ${missing[*]}"
}

check_version() {  # CLI VERSION [WINDOW_PROGRAM...]
  local cli=$1 version=$2 printed
  shift 2
  for program in "$cli" "$@"; do
    printed=$(QT_QPA_PLATFORM=offscreen "$program" --version)
    [ "$printed" = "$(basename "$program") $version" ] ||
      fail "$program --version printed '$printed', not '$(basename "$program") $version'"
  done
  "$cli" --help | grep -q -- '--version' || fail "--help does not list --version"
}

small_movie() {  # FILE
  command -v ffmpeg >/dev/null || skip "ffmpeg not found"
  ffmpeg -loglevel error -y -f lavfi -i testsrc=size=160x120:rate=25 -t 2 \
    -c:v mpeg4 -g 10 -an "$1"
}

check_install() {  # BUILD_DIR
  local build=$1
  stage=$(mktemp -d)  # global: the exit trap still needs it
  trap 'rm -rf "$stage"' EXIT
  cmake --install "$build" --prefix "$stage/usr" >/dev/null
  local missing=()
  for path in bin/zendra bin/zendra-cli bin/zendra-viewer bin/zendra-compare \
      share/zendra/help/Default.htm share/zendra/README.md \
      share/applications/org.example.Zendra.desktop \
      share/metainfo/org.example.Zendra.metainfo.xml \
      share/icons/hicolor/scalable/apps/org.example.Zendra.svg \
      share/icons/hicolor/48x48/apps/org.example.Zendra.png \
      share/man/man1/zendra-cli.1 share/bash-completion/completions/zendra-cli; do
    [ -e "$stage/usr/$path" ] || missing+=("$path")
  done
  [ -n "$(find "$stage/usr/lib" -path '*/zendra/libzendra-desktop.so')" ] || missing+=("lib/.../zendra/libzendra-desktop.so")
  [ ${#missing[@]} -eq 0 ] || fail "not installed: ${missing[*]}"
  [ -z "$(find "$stage/usr/bin" -name 'libzendra-desktop.so')" ] || fail "the module was put beside the programs"

  for entry in "$stage"/usr/share/applications/*.desktop; do
    local program
    program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    [ -x "$stage/usr/bin/$program" ] || fail "$(basename "$entry") starts $program, which is not installed"
  done

  # A split needs the GUID from the module: the installed program must find it in the
  # library folder, with no copy beside it.
  small_movie "$stage/movie.avi"
  (cd "$stage" && usr/bin/zendra-cli split movie.avi -n 2 -o parts -y >/dev/null) ||
    fail "the installed zendra-cli could not split (desktop-services module not found?)"
  [ "$(find "$stage/parts" -name '*.avi' | wc -l)" -ge 2 ] || fail "the installed split wrote no parts"
  echo "installed layout complete; the installed zendra-cli split the movie"
}

check=$1
shift
"check_$check" "$@"
