#!/bin/bash
# Makes the pictures of the README from the sample data: runs the built KzEditor on a
# virtual X server, opens each editor and saves a picture of each window.
#
# usage: tools/screenshots.sh [build folder] [picture folder]
#   build folder:   holds bin/KzEditor and bin/kz_sampledata (default: build-test)
#   picture folder: where the PNG files go (default: docs/images)
# Xvfb comes from Debian's xvfb package; the script installs it when it is missing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build-test}" && pwd)
mkdir -p "${2:-$here/docs/images}"
out=$(cd "${2:-$here/docs/images}" && pwd)

if ! command -v Xvfb >/dev/null; then
  if [ "$(id -u)" = 0 ]; then apt-get install -y -q xvfb; else sudo apt-get install -y -q xvfb; fi
fi

work=$(mktemp -d)
xvfb_pid=
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

"$build/bin/kz_sampledata" "$work/data" >/dev/null
data=$work/data
mkdir -p "$work/reg" "$work/tmp" "$work/run"
chmod 700 "$work/run"

# A free display number.
display=97
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

# One run of the program: arguments, then the commands it reads on standard input.
run() {
  local commands=$1
  shift
  printf '%b' "$commands" |
    env -u WAYLAND_DISPLAY DISPLAY=":$display" QT_QPA_PLATFORM=xcb KZ_REGISTRY_DIR="$work/reg" TMPDIR="$work/tmp" \
      XDG_RUNTIME_DIR="$work/run" KZ_SAMPLE_DATA="$data" KZ_SCRIPTED_UI=1 KZ_TEST_INPUT=1 ASAN_OPTIONS=detect_leaks=0 \
      "$build/bin/KzEditor" "$@" 2>"$work/log" || { cat "$work/log" >&2; return 1; }
  if grep -q "kz-input" "$work/log"; then grep "kz-input" "$work/log" >&2; return 1; fi
}

failed=0
picture() {
  if ! run "$@"; then
    echo "screenshots: no picture from: $1" >&2
    failed=1
  fi
}
picture "grab frmMain $out/launcher.png\n"
picture "grab frmTXTEditor $out/txteditor-ship.png\n" -tfile "$data/types/TShips.txt"
picture "grab frmTXTEditor $out/txteditor-ware.png\n" -tfile 'vfs://types\TWareT.txt'
picture "grab frmTRE $out/textresources.png\n" -xml "$data/t/440002.xml"
picture "grab frmGalaxyEditor $out/galaxyeditor.png\n" -map "$data/maps/sample_universe.xml"
picture "key frmGalaxyEditor.Tree Right\npress frmGalaxyEditor map\ngrab frmSectorMap $out/sectormap.png\n" -map "$data/maps/sample_universe.xml"
picture "key frmGalaxyEditor.Tree Right\npress frmGalaxyEditor universe\ngrab frmUniverseMap $out/universemap.png\n" -map "$data/maps/sample_universe.xml"
ls -l "$out"
exit $failed
