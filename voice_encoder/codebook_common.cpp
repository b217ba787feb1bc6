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
    std::fill(code, code + kSubframe, Word16{0});
    std::fill(y, y + kSubframe, Word16{0});
    for (int k = 0; k < count; ++k) {
        const Pulse& p = pulses[k];
        code[p.position] = add(code[p.position], p.positive ? shape.positive : shape.negative);
        for (int i = p.position, j = 0; i < kSubframe; ++i, ++j) {
            const Word16 response = shr(h[j], shape.response_shift);
            y[i] = p.positive ? add(y[i], response) : sub(y[i], response);
        }
    }
}

}  // namespace vox::g729
