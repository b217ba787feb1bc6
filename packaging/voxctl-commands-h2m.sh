#!/usr/bin/env bash
# Writes a help2man include file with a COMMANDS section: the help of every
# voxctl command, nested ones included, in the order "voxctl --help" lists them.
#   voxctl-commands-h2m.sh VOXCTL OUTPUT
set -euo pipefail
voxctl=${1:?usage: voxctl-commands-h2m.sh VOXCTL OUTPUT}
output=${2:?usage: voxctl-commands-h2m.sh VOXCTL OUTPUT}

# The command names listed under "Subcommands:" in a help text.
subcommands() {
  awk '/^Subcommands:/ { listing = 1; next }
       listing && /^[^ ]/ { listing = 0 }
       listing && /^  [^ ]/ { print $1 }'
}

# Each command's help, as voxctl prints it but for the exit statuses (given
# once, in the overview), in a subsection titled by the full command line;
# roff's escape and control characters are made literal.
describe() {
  local name
  for name in $("$voxctl" "$@" --help | subcommands); do
    echo ".SS \"voxctl ${*:+$* }$name\""
    echo ".nf"
    "$voxctl" "$@" "$name" --help | sed -e '/^Exit status:/,$d' -e 's/\\/\\e/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"
    echo ".fi"
    describe "$@" "$name"
  done
}

temporary=$(mktemp "$output.XXXXXX")
trap 'rm -f "$temporary"' EXIT
{
  echo "[COMMANDS]"
  describe
} >"$temporary"
mv "$temporary" "$output"
trap - EXIT
