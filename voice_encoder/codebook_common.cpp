#include "voice_encoder/codebook_common.h"

#include <algorithm>

#include "voice_encoder/dsp_math.h"

namespace vox::g729 {

void sharpen_with_pitch(Word16 v[kSubframe], Word16 t0, Word16 sharpening_q14) {
    const Word16 factor = shl(sharpening_q14, 1);  // Q15
    for (int i = t0; i < kSubframe; ++i) v[i] = add(v[i], mult(v[i - t0], factor));
}

void prepare_search(const Word16 x[kSubframe], Word16 h[kSubframe], Word16 t0, Word16 sharpening,
                    Word16 positive, Word16 negative, Word16 d[kSubframe], Word16 sign[kSubframe]) {
    if (t0 < kSubframe) sharpen_with_pitch(h, t0, sharpening);
    correlate_with_impulse_response(h, x, d);
    for (int i = 0; i < kSubframe; ++i) {
        sign[i] = d[i] >= 0 ? positive : negative;
        if (d[i] < 0) d[i] = negate(d[i]);
    }
}

void signed_correlation_matrix(const Word16 h[kSubframe], const Word16 sign[kSubframe],
                               CorrelationMatrix& r) {
    // scale h so that its energy sits just below 1.0
    Word32 s = 2;
    for (int i = 0; i < kSubframe; ++i) s = l_mac(s, h[i], h[i]);
    Word16 hs[kSubframe];
    if (extract_h(s) == kMax16) {
        for (int i = 0; i < kSubframe; ++i) hs[i] = shr(h[i], 1);
    } else {
        const Word16 k = mult(extract_h(l_shl(inv_sqrt(l_shr(s, 1)), 7)), 32440);  // 0.99 / sqrt
        for (int i = 0; i < kSubframe; ++i) hs[i] = round16(l_shl(l_mult(h[i], k), 9));
    }

    s = 0;
    for (int k = 0, i = kSubframe - 1; k < kSubframe; ++k, --i) {
        s = l_mac(s, hs[k], hs[k]);
        r[i][i] = round16(s);
    }
    for (int lag = 1; lag < kSubframe; ++lag) {
        s = 0;
        for (int k = 0, j = kSubframe - 1, i = j - lag; k < kSubframe - lag; ++k, --i, --j) {
            s = l_mac(s, hs[k], hs[k + lag]);
            r[j][i] = mult(round16(s), mult(sign[i], sign[j]));
            r[i][j] = r[j][i];
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
