#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the program need.
# Does nothing when they are all present already.
set -euo pipefail

packages=(
  cmake ninja-build pkg-config g++ git
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  libusb-1.0-0-dev qt6-base-dev qt6-svg-dev libqt6svg6-dev
  clang-14 clang-format libclang-rt-14-dev
  libbcg729-dev
  xvfb xauth fonts-dejavu-core
  librsvg2-bin help2man dpkg-dev
  desktop-file-utils appstream shared-mime-info xdg-utils libfile-mimeinfo-perl
  bash-completion man-db
  # The accessibility tests and the accessible-tree dump: the AT-SPI bus in a
  # session bus of its own, and the screen readers' Python bindings.
  at-spi2-core dbus libglib2.0-bin python3-pyatspi
  file # CPack's Debian generator runs it on every packaged file
  # the .DVF GStreamer plugin, its tests (decodebin, playbin, appsink) and package check
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-tools gstreamer1.0-plugins-base-apps
  # the player: the pitch-keeping time stretch, the audio output (its plugins
  # come with libqt6multimedia6) and the foot pedal's events
  libsoundtouch-dev qt6-multimedia-dev libevdev-dev
  # voxctl mount (libfuse3, fusermount3) and its rsync test
  fuse3 libfuse3-dev
  rsync
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
