#include "voice_encoder/codebook_common.h"

#include <algorithm>

#include "voice_encoder/exact_sums.h"

namespace vox::g729 {

void sharpen_with_pitch(Word16 v[kSubframe], Word16 t0, Word16 sharpening_q14) {
    const Word16 factor = shl(sharpening_q14, 1);  // Q15
    for (int i = t0; i < kSubframe; ++i) v[i] = add(v[i], mult(v[i - t0], factor));
}

void prepare_search(const Word16 x[kSubframe], Word16 h[kSubframe], Word16 t0, Word16 sharpening,
                    Word16 positive, Word16 negative, Word16 d[kSubframe], Word16 sign[kSubframe]) {
    if (t0 < kSubframe) sharpen_with_pitch(h, t0, sharpening);
    correlate_with_impulse_response(h, x, d);
    // selects, not branches: the signs of d are random
    for (int i = 0; i < kSubframe; ++i) {
        const bool below = d[i] < 0;
        sign[i] = below ? negative : positive;
        d[i] = below ? negate(d[i]) : d[i];
    }
}

bool scale_for_correlations(const Word16 h[kSubframe], Word16 hs[kSubframe]) {
    Word32 energy = 0;
    for (int i = 0; i < kSubframe; ++i) energy = l_mac(energy, h[i], h[i]);
    if (extract_h(energy) > 32000) {
        for (int i = 0; i < kSubframe; ++i) hs[i] = shr(h[i], 1);
    } else {
        const Word16 k = shr(norm_l(energy), 1);
        for (int i = 0; i < kSubframe; ++i) hs[i] = shl(h[i], k);
    }
    // every lag's sums are bounded by the energy, the sum of lag 0
    return 2 * energy_of(hs, kSubframe) <= kMax32;
}

void partial_correlations(const Word16 h[kSubframe], PartialCorrelations& partial) {
    Word16 hs[kSubframe];
    const bool exact = scale_for_correlations(h, hs);
    Word32 sums[kSubframe] = {};
    for (int n = 0; n < kSubframe; ++n) {
        Word16* row = partial.by_length[n];
        if (exact) {
            for (int lag = 0; lag + n < kSubframe; ++lag) {
                sums[lag] += 2 * hs[n] * hs[n + lag];
                row[lag] = extract_h(sums[lag]);
            }
        } else {
            for (int lag = 0; lag + n < kSubframe; ++lag) {
                sums[lag] = l_mac(sums[lag], hs[n], hs[n + lag]);
                row[lag] = extract_h(sums[lag]);
            }
        }
    }
}

void build_code_vector(const Pulse* pulses, int count, PulseShape shape, const Word16 h[kSubframe],
                       Word16 code[kSubframe], Word16 y[kSubframe]) {
    Word16 response[kSubframe];
    for (int j = 0; j < kSubframe; ++j) response[j] = shr(h[j], shape.response_shift);
    // every pulse adds a whole response, its tail past the subframe landing
    // in the second half: loops of one length, without a branch on the sign
    // (add and sub both saturate the exact 32-bit sum). Where the pulses'
    // responses together cannot leave 16 bits, plain adds give the same.
    Word16 sum[2 * kSubframe] = {};
    std::fill(code, code + kSubframe, Word16{0});
    const bool plain = count * largest_magnitude(response, kSubframe) <= kMax16;
    for (int k = 0; k < count; ++k) {
        const Pulse& p = pulses[k];
        code[p.position] = add(code[p.position], p.positive ? shape.positive : shape.negative);
        const std::int32_t negative = p.positive ? 0 : -1;
        Word16* from = sum + p.position;
        if (plain) {
            for (int j = 0; j < kSubframe; ++j)
                from[j] = static_cast<Word16>(from[j] + ((response[j] ^ negative) - negative));
        } else {
            for (int j = 0; j < kSubframe; ++j)
                from[j] = saturate(from[j] + ((std::int32_t{response[j]} ^ negative) - negative));
        }
    }
    std::copy(sum, sum + kSubframe, y);
}

}  // namespace vox::g729
