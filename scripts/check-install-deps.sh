#!/usr/bin/env bash
# Fails when a program the build, test and package scripts call (directly or
# through CMake and CPack) comes from a Debian package that
# scripts/install-deps.sh does not install and that a minimal Debian root
# (Priority: required) does not already have.
#   bash scripts/check-install-deps.sh
set -euo pipefail
cd "$(dirname "$0")/.."

# The programs, with who calls them.
programs=(
  bash git xargs nproc mktemp timeout awk sed grep head gzip ldd # the scripts themselves
  cmake ctest cpack ninja g++ clang-14 clang++-14 clang-format   # build, fuzz, format
  file dpkg-deb dpkg-shlibdeps                                   # CPack's Debian generator
  desktop-file-validate appstreamcli update-mime-database xdg-mime mimetype
  man help2man rsvg-convert
)

listed=$(sed -n '/^packages=(/,/^)/p' scripts/install-deps.sh | sed 's/#.*//' | tr -s ' \t' '\n' |
  grep -v -e '^packages=($' -e '^)$' -e '^$')

failures=0
for program in "${programs[@]}"; do
  path=$(command -v "$program" || true)
  if [ -z "$path" ]; then
    echo "FAIL: $program is not installed here" >&2
    failures=$((failures + 1))
    continue
  fi
  # dpkg knows a file by the path its package installed, which may be the
  # target of a link or sit under /bin rather than /usr/bin.
  owner=""
  for candidate in "$path" "$(readlink -f "$path")" "/bin/$(basename "$path")" \
    "/usr/bin/$(basename "$path")"; do
    owner=$(dpkg-query -S "$candidate" 2>/dev/null | head -1 | cut -d: -f1) && [ -n "$owner" ] &&
      break
  done
  if [ -z "$owner" ]; then
    echo "FAIL: no package owns $path ($program)" >&2
    failures=$((failures + 1))
    continue
  fi
  priority=$(dpkg-query -W -f='${Priority}' "$owner")
  if [ "$priority" != required ] && ! grep -qxF "$owner" <<<"$listed"; then
    echo "FAIL: $program comes from $owner (priority $priority), which install-deps.sh lacks" >&2
    failures=$((failures + 1))
  fi
done
if [ "$failures" -ne 0 ]; then
  echo "install-deps check: $failures program(s) not covered" >&2
  exit 1
fi
echo "install-deps check: all ${#programs[@]} programs covered"
