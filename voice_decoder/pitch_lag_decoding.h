#pragma once
// Pitch delay decoding (G.729 4.1.3, Annex D for the 4-bit second-subframe
// code) and the parity check of the first subframe's delay index.

#include "voice_decoder/dvf_block.h"

namespace vox::g729 {

inline constexpr Word16 kPitchMin = 20;   // PIT_MIN
inline constexpr Word16 kPitchMax = 143;  // PIT_MAX

struct PitchLag {
    Word16 integer;   // T0
    Word16 fraction;  // -1, 0 or 1 (thirds of a sample)
};

// The 8-bit index P1 of the first subframe.
PitchLag decode_first_lag(Word16 index);

// The second subframe's index relative to the first subframe's integer
// delay: 5 bits, or 4 bits at 6.4 kbit/s.
PitchLag decode_second_lag(Word16 index, Word16 first_integer, Rate rate);

// True when the parity bit P0 does not match P1: one plus the six most
// significant bits of P1, modulo 2, and at 11.8 kbit/s also bit 1 of P1.
bool pitch_parity_error(Word16 p1, Word16 p0, Rate rate);

}  // namespace vox::g729
