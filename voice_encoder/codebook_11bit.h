#pragma once
// The 11-bit codebook of G.729 Annex D (6.4 kbit/s): two signed pulses, the
// first at one of the 16 positions of track_table0, the second at one of the
// 32 of track_table1. Position indices are sent Gray-coded.

#include "voice_encoder/target_correlation.h"

namespace vox::g729 {

struct CodebookIndex11 {
    Word16 positions;  // C, 9 bits: gray(second) << 4 | gray(first)
    Word16 signs;      // S, 2 bits: bit 0 first pulse, bit 1 second; 1 = positive
};

// Same contract as search_codebook_17bit.
CodebookIndex11 search_codebook_11bit(const Word16 x[kSubframe], Word16 h[kSubframe], Word16 t0,
                                      Word16 sharpening, Word16 code[kSubframe],
                                      Word16 y[kSubframe]);

}  // namespace vox::g729
