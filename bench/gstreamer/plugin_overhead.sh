#!/usr/bin/env bash
# What playing a recording through GStreamer costs beyond decoding it: one
# hour of speech at each rate decoded by gst-launch-1.0 (filesrc, decodebin
# with the plugin, fakesink sync=false) against voxctl decode of the same
# file, the fastest of three runs of each, and the plugin's overhead.
#   bash bench/gstreamer/plugin_overhead.sh BUILD_DIR [RUNS]
set -euo pipefail
build=$(cd "${1:?usage: plugin_overhead.sh BUILD_DIR [RUNS]}" && pwd)
runs=${2:-3}
here=$(cd "$(dirname "$0")" && pwd)
samples="$here/../../recorder_model/samples"
voxctl="$build/tools/voxctl/voxctl"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export GST_PLUGIN_PATH="$build/gstreamer/plugin" GST_REGISTRY="$work/registry.bin"
gst-inspect-1.0 dvfdec >/dev/null  # builds the registry before the timing

# An hour of a recording: its first block, then its other blocks over and
# over (every block but a 6.4 kbit/s stream's first carries on the stream).
one_hour() {
  python3 - "$1" "$2" "$3" <<'PY'
import sys
source, samples_per_block, target = sys.argv[1], int(sys.argv[2]), sys.argv[3]
data = open(source, "rb").read()
blocks = [data[i:i + 512] for i in range(0, len(data) - len(data) % 512, 512)]
out = [blocks[0]]
body = blocks[1:]
while len(out) * samples_per_block < 3600 * 8000:
    out.append(body[(len(out) - 1) % len(body)])
open(target, "wb").write(b"".join(out))
PY
}

# The fastest of $runs runs of the command, in seconds.
fastest() {
  local best="" elapsed start
  for ((run = 0; run < runs; run++)); do
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    elapsed=$(echo "$(date +%s.%N) - $start" | bc)
    if [ -z "$best" ] || [ "$(echo "$elapsed < $best" | bc)" = 1 ]; then best=$elapsed; fi
  done
  echo "$best"
}

printf '%-12s %12s %16s %9s\n' rate "voxctl (s)" "gst-launch (s)" overhead
for sample in "B/CALLBANK.DVF 5120 6.4" "A/VOICE002.DVF 4080 8" "A/MEETING.DVF 2240 11.8"; do
  read -r file samples_per_block kbits <<<"$sample"
  hour="$work/hour.DVF"
  one_hour "$samples/$file" "$samples_per_block" "$hour"
  voxctl_time=$(fastest "$voxctl" decode --force "$hour")
  gst_time=$(fastest gst-launch-1.0 -q filesrc location="$hour" ! decodebin ! fakesink sync=false)
  overhead=$(echo "scale=1; 100 * ($gst_time - $voxctl_time) / $voxctl_time" | bc)
  printf '%-12s %12.2f %16.2f %8s%%\n' "$kbits kbit/s" "$voxctl_time" "$gst_time" "$overhead"
done
