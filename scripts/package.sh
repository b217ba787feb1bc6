#!/usr/bin/env bash
# Installs what is needed, builds the programs and makes the Debian package
# build/package/voxerin_<version>_amd64.deb (install it with
# "apt install ./build/package/voxerin_*.deb").
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

bash scripts/install-deps.sh
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DVOX_BENCH=OFF
cmake --build build/package -j "$(nproc)"
cpack --config build/package/CPackConfig.cmake -B build/package
ls build/package/voxerin_*.deb
