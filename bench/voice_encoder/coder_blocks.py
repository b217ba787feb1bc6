#!/usr/bin/env python3
"""Instructions per 10 ms frame, block by block, from a callgrind profile of
voice_coder_profile that collected only the encoder or only the decoder:

  valgrind --tool=callgrind --toggle-collect='vox::g729::Encoder::encode_block*' \\
      --callgrind-out-file=enc.out voice_coder_profile MODE
  valgrind --tool=callgrind --toggle-collect='vox::g729::Decoder::decode_block*' \\
      --callgrind-out-file=dec.out voice_coder_profile MODE
  coder_blocks.py enc.out        (or dec.out)

Frames are counted as the calls of FrameCoder::code_frame or of
FrameDecoder::decode in the profile."""

import collections
import os
import re
import subprocess
import sys

ENCODER_BLOCKS = [
    ("LP analysis (autocorrelation, lag window, Levinson)",
     ["autocorrelation", "apply_lag_window", "LevinsonSolver::solve"]),
    ("LP to LSP, and back per subframe", ["az_to_lsp", "interpolate_to_subframes"]),
    ("LSP quantisation", ["quantise_lsp"]),
    ("open-loop pitch", ["open_loop_pitch"]),
    ("closed-loop pitch (search and gain)", ["search_pitch", "pitch_gain"]),
    ("fixed codebook, 11 bits (6.4 kbit/s)", ["search_codebook_11bit"]),
    ("fixed codebook, 17 bits (8 kbit/s)", ["search_codebook_17bit"]),
    ("fixed codebook, 35 bits (11.8 kbit/s)", ["TenPulseSearch::search"]),
    ("gain quantisation", ["quantise_gains", "gain_correlations"]),
    ("pre-filter", ["HighPassPreFilter::process"]),
    ("filters (synthesis, residual, weighting)",
     ["synthesis_filter", "residual", "weight_coefficients"]),
    ("encoder in all", ["Encoder::encode_block"]),
]
DECODER_BLOCKS = [
    ("frame decoding (parameters, excitation, synthesis)", ["FrameDecoder::decode"]),
    ("post-filter", ["PostFilter::process"]),
    ("high-pass post-processing", ["HighPassPostFilter::process"]),
    ("decoder in all", ["Decoder::decode_block"]),
]


def inclusive_costs(path):
    """Largest inclusive cost per function; callgrind_annotate lists a
    function once per source file its inlined lines come from, and the
    largest of those entries is the whole function."""
    text = subprocess.run(["callgrind_annotate", "--inclusive=yes", "--threshold=100", path],
                          capture_output=True, text=True, check=True, cwd="/").stdout
    costs = collections.defaultdict(int)
    for line in text.splitlines():
        match = re.match(r"\s*([\d,]+) \([ \d.]+%\)\s+(\S.*)$", line)
        if not match:
            continue
        name = re.search(r":vox::g729::([^\s(]+)\(", match.group(2))
        if name:
            cost = int(match.group(1).replace(",", ""))
            costs[name.group(1)] = max(costs[name.group(1)], cost)
    return costs


def frames_of(path):
    """Calls of the frame coder or the frame decoder: the frames coded."""
    text = subprocess.run(["callgrind_annotate", "--tree=caller", "--threshold=100", path],
                          capture_output=True, text=True, check=True, cwd="/").stdout
    frames = 0
    callers = 0
    for line in text.splitlines():
        caller = re.search(r"^\s*[\d,]+ \([ \d.]+%\)\s+< .*\(([\d,]+)x\)", line)
        if caller:
            callers += int(caller.group(1).replace(",", ""))
            continue
        if re.search(r"\* .*vox::g729::(FrameCoder::code_frame|FrameDecoder::decode)\(", line):
            frames = max(frames, callers)
        if not line.strip() or "* " in line:
            callers = 0
    return frames


def main():
    # absolute, for callgrind_annotate runs from / so that it names every
    # source file by its whole path, wherever this is run from
    path = os.path.abspath(sys.argv[1])
    costs = inclusive_costs(path)
    encoder = "Encoder::encode_block" in costs
    frames = frames_of(path)
    if frames == 0:
        sys.exit(f"{path}: no frame coder or frame decoder calls in this profile")
    print(f"{frames} frames; instructions per frame:")
    for label, names in ENCODER_BLOCKS if encoder else DECODER_BLOCKS:
        total = sum(costs.get(name, 0) for name in names)
        if total:
            print(f"{label:55s} {total / frames:9.0f}")


if __name__ == "__main__":
    main()
