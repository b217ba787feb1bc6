#!/usr/bin/env bash
# Fails when a tracked C++ file is not in the project's format (.clang-format).
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z -- '*.cpp' '*.h' '*.c' '*.hpp' '*.cc' |
  xargs -0 -r clang-format --dry-run -Werror
echo "format: every tracked C++ file is in the project's format"
