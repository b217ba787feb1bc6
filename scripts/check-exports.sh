#!/usr/bin/env bash
# Checks that each shared library with an export list (NAME.exports beside
# its CMakeLists.txt, one symbol a line) exports exactly those symbols: what
# its callers may use and nothing of its internals; and that each internal
# shared library exports only what matches its patterns (LIBRARY.patterns
# beside it in the build tree, written by cmake/vox.cmake: globs over
# demangled names).
#   bash scripts/check-exports.sh BUILD_DIR
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: check-exports.sh BUILD_DIR}" && pwd)
failures=0
while IFS= read -r list; do
  folder=$(dirname "$list")
  name=$(basename "$list" .exports)
  library=$(find "$build/$folder" -name "lib$name.so" -not -path '*/CMakeFiles/*' -print -quit)
  library=${library:-$build/$folder/lib$name.so}
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

while IFS= read -r patterns; do
  library=${patterns%.patterns}
  name=$(basename "$library")
  if [ ! -f "$library" ]; then
    echo "FAIL: $library was not built" >&2
    failures=$((failures + 1))
    continue
  fi
  mapfile -t globs <"$patterns"
  count=0
  strays=()
  while IFS= read -r symbol; do
    count=$((count + 1))
    matched=false
    for glob in "${globs[@]}"; do
      # shellcheck disable=SC2053 # the pattern is a glob on purpose
      if [[ $symbol == $glob ]]; then
        matched=true
        break
      fi
    done
    $matched || strays+=("$symbol")
  done < <(nm -D --defined-only "$library" | awk '{ print $NF }' | c++filt)
  if [ "${#strays[@]}" -eq 0 ]; then
    echo "ok: $name exports $count symbols, all of its own namespace"
  else
    echo "FAIL: $name exports ${#strays[@]} symbols beyond its patterns:" >&2
    printf '  %s\n' "${strays[@]:0:20}" >&2
    failures=$((failures + 1))
  fi
done < <(find "$build" -name '*.so.patterns' -not -path '*/CMakeFiles/*' | LC_ALL=C sort)
[ "$failures" -eq 0 ]
