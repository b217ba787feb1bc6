#!/usr/bin/env bash
# The main window at scale 1 and 2, with the desktop's light colours and with
# the dark scheme (Fusion with a dark palette, "--dark"), for checking that
# nothing is blurred, overlaps or reads poorly. Writes
# packaging/screenshots/window-scale{1,2}-{light,dark}.png.
#   bash scripts/take-screenshots.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: take-screenshots.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
for scale in 1 2; do
  screen=$((1280 * scale))x$((900 * scale))x24
  VOX_SCREEN=$screen QT_SCALE_FACTOR=$scale bash "$here/take-screenshot.sh" "$build" \
    "window-scale$scale-light.png"
  VOX_SCREEN=$screen QT_SCALE_FACTOR=$scale bash "$here/take-screenshot.sh" "$build" \
    "window-scale$scale-dark.png" --dark
done
