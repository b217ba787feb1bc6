#!/usr/bin/env bash
# Checks the recorder's udev rule file: `udevadm verify` where udev has it
# (systemd 253 and later), else a parse of its syntax; then that the rule
# grants the seat access, turns the desktop's probes away, and sorts before
# the rules that read what it sets.
# Usage: scripts/check-udev-rule.sh RULES_FILE
set -euo pipefail
rule=${1:?usage: check-udev-rule.sh RULES_FILE}
problems=0
complain() { echo "udev rule $rule: $*" >&2; problems=$((problems + 1)); }

if udevadm verify --help >/dev/null 2>&1; then
  udevadm verify --resolve-names=never "$rule" >&2 || complain "udevadm verify fails"
else
  # Each rule line: comma-separated KEY, KEY{attribute}, then an operator and
  # a double-quoted value.
  item='[A-Z_]+(\{[A-Za-z0-9_]+\})?[[:space:]]*(==|!=|\+=|-=|:=|=)[[:space:]]*"[^"]*"'
  line_number=0
  while IFS= read -r line || [ -n "$line" ]; do
    line_number=$((line_number + 1))
    [[ "$line" =~ ^[[:space:]]*(#|$) ]] && continue
    [[ "$line" =~ ^[[:space:]]*$item([[:space:]]*,[[:space:]]*$item)*[[:space:]]*$ ]] ||
      complain "line $line_number does not parse: $line"
  done <"$rule"
fi

for needed in 'ATTR{idVendor}=="0dab"' 'ATTR{idProduct}=="3000"' 'TAG+="uaccess"' \
  'ENV{ID_MM_DEVICE_IGNORE}="1"' 'ENV{MTP_NO_PROBE}="1"'; do
  grep -v '^[[:space:]]*#' "$rule" | grep -qF "$needed" || complain "lacks $needed"
done
# 69-libmtp.rules reads MTP_NO_PROBE, 73-seat-late.rules the uaccess tag.
name=$(basename "$rule")
[[ "$name" < "69-" ]] || complain "its name must sort before 69-libmtp.rules"
exit $((problems != 0))
