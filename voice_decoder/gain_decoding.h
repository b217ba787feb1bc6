#pragma once
// Decoding of the adaptive- and fixed-codebook gains (G.729 4.1.5): the
// 7-bit two-stage conjugate codebook of 8 and 11.8 kbit/s and the 6-bit one
// of 6.4 kbit/s (Annex D), each with its own predictor memory.

#include "voice_decoder/dvf_block.h"
#include "voice_encoder/gain_prediction.h"

namespace vox::g729 {

struct DecodedGains {
    Word16 pitch;  // g_p, Q14
    Word16 code;   // g_c, Q1
};

class GainDecoder {
  public:
    void reset() { *this = GainDecoder{}; }

    // `code` is the subframe's fixed-codebook vector (Q13) after pitch
    // sharpening; it sets the predicted gain.
    DecodedGains decode(Word16 index, Rate rate, const Word16* code, int length);

  private:
    GainPredictorMemory seven_bit_memory_;
    GainPredictorMemory six_bit_memory_;
};

}  // namespace vox::g729
