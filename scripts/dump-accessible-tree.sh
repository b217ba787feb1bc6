#!/usr/bin/env bash
# Runs Voxmain from BUILD_DIR on a simulated recorder with the desktop's
# accessibility bus, and prints its accessible tree as a screen reader sees
# it (python3-pyatspi). Arguments after BUILD_DIR go to Voxmain.
#   bash scripts/dump-accessible-tree.sh BUILD_DIR [VOXMAIN ARGUMENTS...]
set -euo pipefail
build=$(cd "${1:?usage: dump-accessible-tree.sh BUILD_DIR}" && pwd)
shift
here=$(cd "$(dirname "$0")" && pwd)

run() {
  local work voxmain status
  work=$(mktemp -d)
  export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" VXR250_SIMULATOR="$work/recorder.img"
  mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
  "$build/tools/voxctl/voxctl" sim create "$VXR250_SIMULATOR" >/dev/null
  "$build/application/Voxmain" "$@" >"$work/voxmain.log" 2>&1 &
  voxmain=$!
  status=0
  # The system Python, which has the Debian package python3-pyatspi.
  "${PYTHON:-/usr/bin/python3}" "$here/dump_accessible_tree.py" vox || status=$?
  kill "$voxmain" 2>/dev/null || true
  wait "$voxmain" 2>/dev/null || true
  rm -rf "$work"
  return "$status"
}

if [ "${1:-}" = "--inside" ]; then
  shift
  run "$@"
else
  exec bash "$here/with-accessibility-bus.sh" bash "$0" "$build" --inside "$@"
fi
