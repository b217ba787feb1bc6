#include "voice_encoder/pitch_interpolation.h"

#include <algorithm>
#include <cstdlib>

#include "voice_encoder/pitch_interpolation_vector.h"
#include "voice_encoder/tables.h"

namespace vox::g729 {

void interpolate_past_excitation(Word16* exc, Word16 t0, Word16 frac, int length) {
    interpolate_past_excitation(exc, t0, frac, length, active_vector_path());
}

void interpolate_past_excitation(Word16* exc, Word16 t0, Word16 frac, int length,
                                 [[maybe_unused]] VectorPath path) {
    constexpr int kUpSampling = 3;
    using pitch_interpolation_detail::kTaps;
    const Word16* x0 = exc - t0;
    frac = negate(frac);
    if (frac < 0) {
        frac = add(frac, kUpSampling);
        --x0;
    }
    const Word16* c1 = &inter_3l[frac];
    const Word16* c2 = &inter_3l[kUpSampling - frac];

    std::int32_t taps = 0;
    for (int k = 0; k < kTaps * kUpSampling; k += kUpSampling)
        taps += std::abs(std::int32_t{c1[k]}) + std::abs(std::int32_t{c2[k]});

    // The same taps in the order of the 20 samples x0[-9] .. x0[10] they
    // weight, for the sum that need not saturate: one forward run of
    // multiply-adds, which GCC packs when the loop is left rolled.
    Word16 window_taps[2 * kTaps];
    for (int i = 0; i < kTaps; ++i) {
        window_taps[kTaps - 1 - i] = c1[i * kUpSampling];
        window_taps[kTaps + i] = c2[i * kUpSampling];
    }

    // The vector forms write what they can prove exact; the loop below
    // finishes, and does all on the portable path.
    int j = 0;
#if defined(__x86_64__)
    switch (path) {
        case VectorPath::avx2:
            j = pitch_interpolation_detail::interpolate_avx2(exc, x0, window_taps, taps, length);
            break;
        case VectorPath::sse2:
            j = pitch_interpolation_detail::interpolate_sse2(exc, x0, window_taps, taps, length);
            break;
        case VectorPath::portable:
            break;
    }
#endif
    if (j == length) return;

    // No partial sum can saturate while the largest sample read times the
    // sum of the taps' magnitudes stays within 32 bits. For short delays the
    // samples read include outputs of this call, so the bound follows them.
    std::int32_t largest = 0;
    for (const Word16* p = x0 - (kTaps - 1); p < x0 + length + kTaps; ++p)
        largest = std::max(largest, std::abs(std::int32_t{*p}));

    for (x0 += j; j < length; ++j, ++x0) {
        const Word16* x1 = x0;
        const Word16* x2 = x0 + 1;
        Word32 s = 0;
        if (2 * std::int64_t{largest} * taps <= kMax32) {
            const Word16* window = x0 - (kTaps - 1);
            std::int32_t sum = 0;
#pragma GCC unroll 1
            for (int m = 0; m < 2 * kTaps; ++m) sum += std::int32_t{window_taps[m]} * window[m];
            s = 2 * sum;
        } else {
            for (int i = 0, k = 0; i < kTaps; ++i, k += kUpSampling) {
                s = l_mac(s, x1[-i], c1[k]);
                s = l_mac(s, x2[i], c2[k]);
            }
        }
        exc[j] = round16(s);
        largest = std::max(largest, std::abs(std::int32_t{exc[j]}));
    }
}

}  // namespace vox::g729
