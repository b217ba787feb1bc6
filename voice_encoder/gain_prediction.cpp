#include "voice_encoder/gain_prediction.h"

#include "voice_encoder/dsp_math.h"
#include "voice_encoder/tables.h"

namespace vox::g729 {

PredictedGain predict_code_gain(const GainPredictorMemory& memory, const Word16* code, int length) {
    Word32 energy = 0;
    for (int i = 0; i < length; ++i) energy = l_mac(energy, code[i], code[i]);

    // 127.298 - 3.0103 log2(energy), energy in Q27 (eq. 69 with the mean
    // energy of 30 dB for the halved input), Q14
    const Log2Result lg = log2_l(energy);
    Word32 t = mpy_32_16({lg.exponent, lg.fraction}, -24660);
    t = l_mac(t, 32588, 32);

    t = l_shl(t, 10);  // Q24
    for (int i = 0; i < 4; ++i) t = l_mac(t, gain_ma_predictor[i], memory.past_energy[i]);
    const Word16 gain_db = extract_h(t);  // Q8

    // 10^(gain_db / 20) = 2^(0.166 gain_db)
    t = l_shr(l_mult(gain_db, 5439), 8);  // Q16
    const Dpf e = l_extract(t);
    return {extract_l(pow2(14, e.lo)), sub(14, e.hi)};
}

void update_gain_predictor(GainPredictorMemory& memory, Word32 correction_q13) {
    for (int i = 3; i > 0; --i) memory.past_energy[i] = memory.past_energy[i - 1];
    const Log2Result lg = log2_l(correction_q13);
    const Word32 t = l_comp(sub(lg.exponent, 13), lg.fraction);    // Q16
    memory.past_energy[0] = mult(extract_h(l_shl(t, 13)), 24660);  // times 20 log10(2)
}

}  // namespace vox::g729
