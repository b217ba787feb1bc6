#!/usr/bin/env bash
# Installs what is needed, builds, and starts the main job on a simulated
# recorder unless VXR250_SIMULATOR already names an image (or is set empty
# to reach a real recorder through libusb).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

bash scripts/install-deps.sh
cmake -S . -B build/run -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOX_BENCH=OFF
cmake --build build/run -j "$(nproc)"

export VXR250_SIMULATOR=${VXR250_SIMULATOR-$HOME/.local/share/voxerin/simulated-recorder.img}
[ -z "$VXR250_SIMULATOR" ] || mkdir -p "$(dirname "$VXR250_SIMULATOR")"
exec bash scripts/main-job.sh build/run
