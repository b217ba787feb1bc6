#!/usr/bin/env bash
# Runs a command as a screen reader would find it: on a virtual X server, in
# a session bus of its own with the desktop's accessibility (AT-SPI) bus, and
# with Qt's bridge to that bus on. Tests run on that display (VOX_TEST_PLATFORM).
# Exits 77 (skipped) where the machine lacks Xvfb, dbus-run-session or the
# AT-SPI bus (at-spi2-core).
#   bash scripts/with-accessibility-bus.sh COMMAND [ARGS...]
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: with-accessibility-bus.sh COMMAND [ARGS...]" >&2; exit 2; }
for tool in Xvfb dbus-run-session; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
if [ ! -e /usr/share/dbus-1/services/org.a11y.Bus.service ]; then
  echo "skipped: no AT-SPI bus (at-spi2-core is not installed)"
  exit 77
fi
if [ -z "${VOX_ACCESSIBILITY_SESSION:-}" ]; then
  export VOX_ACCESSIBILITY_SESSION=1
  exec dbus-run-session -- bash "$0" "$@"
fi

work=$(mktemp -d)
xvfb=""
cleanup() {
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 "${VOX_SCREEN:-1280x900x24}" 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "with-accessibility-bus.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"
export QT_QPA_PLATFORM=xcb VOX_TEST_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
# The bus the bridge joins, started now rather than on its first call.
gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
  --method org.a11y.Bus.GetAddress >/dev/null 2>&1 || true
"$@"
