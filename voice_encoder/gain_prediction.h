#pragma once
// MA prediction of the fixed-codebook gain of G.729 (3.9.1): the predicted
// gain from the code vector's energy and the last four quantised energies.

#include "voice_encoder/basic_ops.h"

namespace vox::g729 {

// Quantised fixed-codebook energies of the last four subframes, Q10 dB
// (20 log10 of the correction factor).
struct GainPredictorMemory {
    Word16 past_energy[4] = {-14336, -14336, -14336, -14336};
};

// Predicted gain g'c (eq. 71): mantissa in Q(exponent), 16384 <= mantissa
// < 32768.
struct PredictedGain {
    Word16 mantissa;
    Word16 exponent;
};

// code: the fixed-codebook vector (Q13), 40 samples.
PredictedGain predict_code_gain(const GainPredictorMemory& memory, const Word16* code, int length);

// Pushes 20 log10(gamma) of the chosen correction factor gamma (Q13, 32-bit
// sum of the two stages' entries) into the memory.
void update_gain_predictor(GainPredictorMemory& memory, Word32 correction_q13);

}  // namespace vox::g729
