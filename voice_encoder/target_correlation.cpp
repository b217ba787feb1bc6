#include "voice_encoder/target_correlation.h"

#include <algorithm>

#include "voice_encoder/exact_sums.h"

namespace vox::g729 {

void backward_correlation(const Word16 h[kSubframe], const Word16 x[kSubframe],
                          Word32 y[kSubframe]) {
    backward_correlation(h, x, y, active_vector_path());
}

void backward_correlation(const Word16 h[kSubframe], const Word16 x[kSubframe], Word32 y[kSubframe],
                          [[maybe_unused]] VectorPath path) {
    if (products_fit(energy_of(x, kSubframe), energy_of(h, kSubframe))) {
#if defined(__x86_64__)
        if (path == VectorPath::avx2) return exact_backward_correlation_avx2(h, x, y);
        if (path == VectorPath::sse2) return exact_backward_correlation_sse2(h, x, y);
#endif
        // Every partial sum, in any order, is bounded like the whole, so the
        // sums of all positions may advance together, one tap of h at a time.
        // x runs on in zeros, so that every tap covers all positions
        Word16 padded[2 * kSubframe] = {};
        std::copy(x, x + kSubframe, padded);
        std::int32_t sums[kSubframe] = {};
        for (int k = 0; k < kSubframe; ++k)
            for (int i = 0; i < kSubframe; ++i) sums[i] += std::int32_t{padded[i + k]} * h[k];
        for (int i = 0; i < kSubframe; ++i) y[i] = 2 * sums[i];
        return;
    }
    for (int i = 0; i < kSubframe; ++i) {
        Word32 s = 0;
        for (int j = i; j < kSubframe; ++j) s = l_mac(s, x[j], h[j - i]);
        y[i] = s;
    }
}

void correlate_with_impulse_response(const Word16 h[kSubframe], const Word16 x[kSubframe],
                                     Word16 d[kSubframe]) {
    Word32 y[kSubframe];
    backward_correlation(h, x, y);
    Word32 largest = 0;
    for (int i = 0; i < kSubframe; ++i)
        if (l_sub(l_abs(y[i]), largest) > 0) largest = l_abs(y[i]);
    Word16 shift = norm_l(largest);
    if (shift > 16) shift = 16;
    shift = sub(18, shift);
    for (int i = 0; i < kSubframe; ++i) d[i] = extract_l(l_shr(y[i], shift));
}

Word32 dot_product(const Word16* a, const Word16* b, int length) {
    Word32 s = 0;
    for (int i = 0; i < length; ++i) s = l_mac(s, a[i], b[i]);
    return s;
}

}  // namespace vox::g729
