#!/usr/bin/env bash
# Makes the simulated recorder's sample recordings: speech synthesised by
# espeak-ng, turned into 8 kHz, 16-bit mono by sox and coded by voxctl at the
# quality each one names. Run by hand when the samples are meant to change;
# the build only reads the .DVF files this writes beside it.
#   bash recorder_model/samples/make_samples.sh BUILD_DIR
set -euo pipefail
voxctl=$(cd "${1:?usage: make_samples.sh BUILD_DIR}" && pwd)/tools/voxctl/voxctl
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# folder/file   quality  voice   text
samples=(
  "A/VOICE001.DVF|LP|en-us|Reminder: call the garage about the brakes before Friday."
  "A/VOICE002.DVF|SP|en-gb|Shopping list. Milk, bread, two dozen eggs, coffee, and new batteries for the recorder."
  "A/MEETING.DVF|HQ|en-us|Meeting with the design team. We agreed to move the launch to the second week of March. The revised drawings come on Monday, and the prototype review is on Thursday at ten."
  "B/VOICE001.DVF|SP|en-us|Note to self: the spare key is in the blue box on the top shelf."
  "B/CALLBANK.DVF|LP|en-gb|Call with the bank. The reference number is four seven two nine. They will confirm the transfer by letter."
  "C/LECTURE1.DVF|HQ|en-gb|Lecture one. Today we look at how speech is coded at low bit rates: linear prediction, the pitch of the voice, and a small code book for the rest."
  "C/VOICE001.DVF|LP|en-us|Chapter two starts on page forty one."
)

for sample in "${samples[@]}"; do
  IFS='|' read -r file quality voice text <<<"$sample"
  stem=$(basename "$file" .DVF)
  espeak-ng -v "$voice" -s 150 -w "$work/speech.wav" "$text"
  sox "$work/speech.wav" -r 8000 -b 16 -c 1 "$work/$stem.wav"
  "$voxctl" encode --force --quality "$quality" "$work/$stem.wav" >/dev/null
  mkdir -p "$here/$(dirname "$file")"
  mv "$work/${stem}_$quality.DVF" "$here/$file"
  rm "$work/$stem.wav"
  echo "$file: $quality, $(stat -c %s "$here/$file") bytes"
done
