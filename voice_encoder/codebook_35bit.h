#pragma once
// The 35-bit codebook of the forward mode of G.729 Annex E (11.8 kbit/s): ten
// signed pulses, two on each of the five tracks {t, t+5, .., t+35}. Each track
// is sent as a 7-bit word: position of one pulse (3 bits), the sign of the
// other (1 bit) and its position (3 bits); the sign of the first follows from
// the order of the two positions.

#include "voice_encoder/codebook_35bit_correlations.h"
#include "voice_encoder/target_correlation.h"

namespace vox::g729 {

struct CodebookIndex35 {
    Word16 words[5];  // one 7-bit word per track
};

// The search keeps the correlation tables it fills in every subframe, so
// that the table cells no subframe writes are cleared once per coder.
class TenPulseSearch {
  public:
    // As search_codebook_17bit; the signs of the pulses are chosen from the
    // target correlation and from ltp_residual, the LP residual less the
    // scaled adaptive contribution of the subframe.
    CodebookIndex35 search(const Word16 x[kSubframe], const Word16 ltp_residual[kSubframe],
                           Word16 h[kSubframe], Word16 t0, Word16 sharpening,
                           Word16 code[kSubframe], Word16 y[kSubframe]);

  private:
    ten_pulse::TrackCorrelations correlations_;
};

}  // namespace vox::g729
