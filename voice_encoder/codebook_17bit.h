#pragma once
// The 17-bit algebraic codebook of G.729 (3.8): four signed pulses on the
// tracks {0,5..35}, {1,6..36}, {2,7..37} and {3,8..38} u {4,9..39}, searched
// by the depth-first method of Annex A (A.3.8).

#include "voice_encoder/target_correlation.h"

namespace vox::g729 {

struct CodebookIndex17 {
    Word16 positions;  // C, 13 bits
    Word16 signs;      // S, 4 bits
};

// Searches the code vector for the target x; h is the impulse response, which
// is sharpened by the pitch (delay t0, sharpening Q14) in place. Writes the
// sharpened code vector (Q13) and its filtered version y (Q12).
CodebookIndex17 search_codebook_17bit(const Word16 x[kSubframe], Word16 h[kSubframe], Word16 t0,
                                      Word16 sharpening, Word16 code[kSubframe],
                                      Word16 y[kSubframe]);

}  // namespace vox::g729
