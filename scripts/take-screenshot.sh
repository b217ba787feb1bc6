#!/usr/bin/env bash
# Retakes the screenshot that the software centre shows
# (packaging/screenshots/main-window.png): Voxmain from BUILD_DIR on a
# virtual X server, on a simulated recorder with sample files. OUTPUT (under
# packaging/screenshots/) and arguments for Voxmain may follow; the screen's
# size comes from VOX_SCREEN, the scale from QT_SCALE_FACTOR.
# Needs xvfb, xdotool and imagemagick.
#   bash scripts/take-screenshot.sh BUILD_DIR [OUTPUT.png [VOXMAIN ARGUMENTS...]]
set -euo pipefail
build=$(cd "${1:?usage: take-screenshot.sh BUILD_DIR [OUTPUT.png [ARGUMENTS...]]}" && pwd)
output=${2:-main-window.png}
shift $(($# < 2 ? $# : 2))
top=$(cd "$(dirname "$0")/.." && pwd)

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" VXR250_SIMULATOR="$work/recorder.img"
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
voxctl="$build/tools/voxctl/voxctl"
"$voxctl" sim create "$VXR250_SIMULATOR" >/dev/null

# The Desktop with recordings copied off the recorder, opened as the
# working directory.
recordings="$HOME/Desktop"
mkdir -p "$recordings"
"$voxctl" get A/VOICE001.DVF "A/Meeting with the design team.DVF" "$recordings" >/dev/null
mkdir -p "$HOME/.config/Tevra Media"
printf '[UserSettings]\nWorkingDirectory=%s/\n' "$recordings" >"$HOME/.config/Tevra Media/Voxerin.conf"

Xvfb -displayfd 3 -screen 0 "${VOX_SCREEN:-1280x900x24}" 3>"$work/display" 2>/dev/null &
pids+=($!)
until [ -s "$work/display" ]; do sleep 0.1; done
DISPLAY=":$(cat "$work/display")"
export DISPLAY

"$build/application/Voxmain" "$@" >"$work/voxmain.log" 2>&1 &
pids+=($!)
# The main window is the largest window with the program's title, once it
# has its size (Qt also makes a small hidden one).
main_window() {
  local id WIDTH HEIGHT
  for id in $(xdotool search --name 'Voxerin' 2>/dev/null); do
    WIDTH=0 HEIGHT=0
    eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null)"
    echo "$((WIDTH * HEIGHT)) $id"
  done | sort -n | awk '$1 > 10000 { id = $2 } END { print id }'
}
window=""
for _ in $(seq 100); do
  window=$(main_window)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "take-screenshot.sh: Voxmain showed no window" >&2; exit 1; }
# The first device check and listing follow the window by a moment.
sleep 2
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -strip -colors 256 +dither \
  "PNG8:$top/packaging/screenshots/$output"
echo "packaging/screenshots/$output: ${WIDTH}x$HEIGHT"
