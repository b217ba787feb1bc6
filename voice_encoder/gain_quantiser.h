#pragma once
// Conjugate-structure gain quantisation of G.729 (3.9.2): two-stage codebook
// with preselection, searched for the pair of adaptive and fixed gains that
// minimises the weighted error (eq. 63), the fixed gain predicted by MA
// prediction. The 7-bit codebook (3 + 4 bits) serves 8 and 11.8 kbit/s, the
// 6-bit codebook of Annex D (3 + 3 bits) 6.4 kbit/s.

#include "voice_encoder/gain_prediction.h"
#include "voice_encoder/pitch_search.h"

namespace vox::g729 {

struct GainCodebook;
extern const GainCodebook gain_codebook_7bit;
extern const GainCodebook gain_codebook_6bit;

// Correlations of the error terms (eq. 63), each a mantissa with exponent:
// <y1,y1>, -2<xn,y1>, <y2,y2>, -2<xn,y2>, 2<y1,y2>.
struct GainCorrelations {
    Word16 value[5];
    Word16 exp[5];
};

// The terms from the target xn, filtered adaptive vector y1 (with the
// correlations the pitch gain computed) and filtered code vector y2 (Q12).
GainCorrelations gain_correlations(const Word16 xn[kSubframe], const Word16 y1[kSubframe],
                                   const Word16 y2[kSubframe], const PitchCorrelations& pitch);

struct QuantisedGains {
    Word16 index;       // G field: map1[first] * size2 + map2[second]
    Word16 gain_pitch;  // Q14
    Word16 gain_code;   // Q1
};

// Quantises the gains of code (Q13) and moves the predictor memory on. With
// `tame` the adaptive gain is kept below 1.0.
QuantisedGains quantise_gains(const GainCodebook& book, GainPredictorMemory& memory,
                              const Word16 code[kSubframe], const GainCorrelations& c, bool tame);

}  // namespace vox::g729
