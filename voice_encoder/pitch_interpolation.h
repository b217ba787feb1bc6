#pragma once
// Adaptive-codebook vector of G.729 (3.7.1): the past excitation at a delay of
// t0 + frac/3 samples, interpolated with the 1/3-sample FIR filter.

#include "voice_encoder/basic_ops.h"
#include "voice_encoder/vector_path.h"

namespace vox::g729 {

// Writes exc[0..length) from exc[-t0 - 11 ..]; frac is -1, 0 or 1. The output
// may overlap the history it reads (delays shorter than the subframe).
void interpolate_past_excitation(Word16* exc, Word16 t0, Word16 frac, int length);
// The same on the given path.
void interpolate_past_excitation(Word16* exc, Word16 t0, Word16 frac, int length, VectorPath path);

}  // namespace vox::g729
