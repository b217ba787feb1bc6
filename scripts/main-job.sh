#!/usr/bin/env bash
# The main job: starts the program Voxmain on the recorder that
# VXR250_SIMULATOR selects (an image file; made with sample content on first
# start), or on a real recorder when it is empty. Without a display it runs
# under a virtual X server. With --tour it gives a short tour of voxctl instead.
#   bash scripts/main-job.sh BUILD_DIR [--tour]
set -euo pipefail
build=${1:?usage: main-job.sh BUILD_DIR [--tour]}
voxctl="$build/tools/voxctl/voxctl"
voxmain="$build/application/Voxmain"

if [ -n "${VXR250_SIMULATOR:-}" ] && [ ! -e "$VXR250_SIMULATOR" ] && [ -x "$voxctl" ]; then
  echo "Making a simulated recorder in $VXR250_SIMULATOR"
  "$voxctl" sim create "$VXR250_SIMULATOR"
fi

if [ "${2:-}" != "--tour" ]; then
  [ -x "$voxmain" ] || { echo "main-job.sh: $voxmain is not built" >&2; exit 1; }
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: running Voxmain under xvfb-run -a"
    exec xvfb-run -a "$voxmain"
  fi
  exec "$voxmain"
fi

[ -x "$voxctl" ] || { echo "main-job.sh: $voxctl is not built" >&2; exit 1; }

step() {
  printf '\n$ voxctl %s\n' "$*"
  "$voxctl" "$@"
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

step info
for folder in A B C MP3 HD; do
  step ls "$folder"
done

# A voice file of 40,000 bytes takes two 32,768-byte blocks.
head -c 40000 /dev/urandom >"$work/tour.dvf"
step put --force "$work/tour.dvf" A
step ls A
mkdir "$work/back"
step get A/tour.dvf "$work/back"
cmp "$work/tour.dvf" "$work/back/tour.dvf"
echo "tour.dvf came back unchanged"
step up A/tour.dvf
step ls A
step down A/tour.dvf
step rm A/tour.dvf
step ls A
