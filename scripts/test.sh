#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test: first a
# plain build and a check of the package made from it, then the same tests
# built with AddressSanitizer and UndefinedBehaviorSanitizer, then the
# threaded tests with ThreadSanitizer, then the fuzz targets (clang) for a
# bounded time.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

bash scripts/install-deps.sh
bash scripts/check-install-deps.sh

echo "== format =="
bash scripts/check-format.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export CTEST_OUTPUT_ON_FAILURE=1

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOX_WERROR=ON "$@"
  cmake --build "$dir" -j "$jobs"
}

echo "== plain build =="
run_suite build/plain
ctest --test-dir build/plain -LE slow -j "$jobs"

echo "== Debian package and install =="
bash scripts/check-package.sh build/plain
bash scripts/check-exports.sh build/plain

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
run_suite build/sanitize -DVOX_SANITIZE=ON -DVOX_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/sanitize -LE slow -j "$jobs"

echo "== ThreadSanitizer build of the threaded tests =="
# Only the tests whose code runs on several threads (the device library's
# workers, the session's batches and formats, conversion batches, import), so
# that this build stays small. The program's own tests stay out: Qt is not
# built with ThreadSanitizer, so the sanitizer cannot see the synchronisation
# of its blocking cross-thread calls, and its reports there could not be
# trusted.
tsan_tests=(
  device_library/qvdevsys_test
  device_library/qvdevsys_integration_test
  engine/session/transfer_session_test
  engine/conversion/conversion_test
  engine/import/import_test
)
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOX_WERROR=ON -DVOX_TSAN=ON \
  -DVOX_BENCH=OFF -DVOX_GUI=OFF
cmake --build build/tsan -j "$jobs" --target "${tsan_tests[@]##*/}"
for test in "${tsan_tests[@]}"; do
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" "build/tsan/$test"
done

echo "== fuzz targets (bounded time) =="
CC=clang-14 CXX=clang++-14 cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVOX_FUZZ=ON -DVOX_BENCH=OFF -DVOX_GUI=OFF
cmake --build build/fuzz -j "$jobs" --target vox_fuzzers
ctest --test-dir build/fuzz -L slow
