#!/usr/bin/env bash
# Checks that each shared library with an export list (NAME.exports beside
# its CMakeLists.txt, one symbol a line) exports exactly those symbols: what
# its callers may use and nothing of its internals.
#   bash scripts/check-exports.sh BUILD_DIR
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: check-exports.sh BUILD_DIR}" && pwd)
failures=0
while IFS= read -r list; do
  folder=$(dirname "$list")
  name=$(basename "$list" .exports)
  library="$build/$folder/lib$name.so"
  if [ ! -f "$library" ]; then
    echo "FAIL: $library was not built" >&2
    failures=$((failures + 1))
    continue
  fi
  if diff -u --label "expected $list" --label "exported by lib$name.so" "$top/$list" \
    <(nm -D --defined-only "$library" | awk '{ print $NF }' | LC_ALL=C sort); then
    echo "ok: lib$name.so exports exactly its $(wc -l <"$top/$list") symbols"
  else
    failures=$((failures + 1))
  fi
done < <(cd "$top" && git ls-files '*.exports')
[ "$failures" -eq 0 ]
