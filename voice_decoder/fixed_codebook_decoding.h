#pragma once
// Fixed (algebraic) codebook vectors from their indices, at the three rates.

#include "voice_decoder/dvf_block.h"

namespace vox::g729 {

inline constexpr int kSubframeLength = 40;  // L_SUBFR

// Builds the 40-sample code vector of a subframe (Q13):
// - 8 kbit/s: four pulses of +-1 on the tracks of G.729 3.8 (C 13 bits, S 4 bits);
// - 6.4 kbit/s: two pulses from the Annex D position tables through the Gray
//   code (C 9 bits: 4 for pulse 0, then 5 for pulse 1; S 2 bits);
// - 11.8 kbit/s: ten pulses of +-0.5, two on each of five tracks (Annex E
//   forward mode), one 7-bit word a track: bits 0-2 the first pulse's place,
//   bit 3 its sign (1 negative), bits 4-6 the second pulse's place; the
//   second pulse has the first one's sign when it lies at or before it, and
//   the opposite sign when it lies after it.
void decode_fixed_codebook(const SubframeParameters& parameters, Rate rate,
                           Word16 code[kSubframeLength]);

}  // namespace vox::g729
