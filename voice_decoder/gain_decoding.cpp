#include "voice_decoder/gain_decoding.h"

#include "voice_encoder/tables.h"

namespace vox::g729 {
namespace {

// g_c = gamma * g'c, with the correction gamma in Q(gamma_q) and the
// predicted gain g'c as mantissa and exponent; the result in Q1.
Word16 scale_predicted_gain(Word16 gamma, int gamma_q, PredictedGain predicted) {
    const Word32 product = l_mult(gamma, predicted.mantissa);
    return extract_h(
        l_shl(product, static_cast<Word16>(-predicted.exponent - gamma_q - 1 + 1 + 16)));
}

}  // namespace

DecodedGains GainDecoder::decode(Word16 index, Rate rate, const Word16* code, int length) {
    const PredictedGain predicted =
        predict_code_gain(rate == Rate::k6400 ? six_bit_memory_ : seven_bit_memory_, code, length);
    DecodedGains gains;
    Word32 correction_q13;
    if (rate == Rate::k6400) {
        // 3 + 3 bits; the correction factors of this codebook are in Q14.
        const int first = gain_imap1_6k[(index >> 3) & 7];
        const int second = gain_imap2_6k[index & 7];
        gains.pitch = add(gain_codebook1_6k[first][0], gain_codebook2_6k[second][0]);
        correction_q13 = l_shr(l_add(gain_codebook1_6k[first][1], gain_codebook2_6k[second][1]), 1);
        gains.code = scale_predicted_gain(extract_l(correction_q13), 13, predicted);
        update_gain_predictor(six_bit_memory_, correction_q13);
    } else {
        // 3 + 4 bits, correction factors in Q13.
        const int first = gain_imap1[(index >> 4) & 7];
        const int second = gain_imap2[index & 15];
        gains.pitch = add(gain_codebook1[first][0], gain_codebook2[second][0]);
        correction_q13 = l_add(gain_codebook1[first][1], gain_codebook2[second][1]);
        gains.code = scale_predicted_gain(extract_l(l_shr(correction_q13, 1)), 12, predicted);
        update_gain_predictor(seven_bit_memory_, correction_q13);
    }
    return gains;
}

}  // namespace vox::g729
