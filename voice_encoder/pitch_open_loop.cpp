#include "voice_encoder/pitch_open_loop.h"

#include <initializer_list>

#include "voice_encoder/dsp_math.h"
#include "voice_encoder/exact_sums.h"

namespace vox::g729 {

namespace {

constexpr int kMaxFrame = 80;

constexpr int kHalfDelayMax = (kDelayMax + 1) / 2;

// The scaled signal, and whether its correlations provably fit in 32 bits
// (every one is bounded by the energy of the whole buffer).
struct Signal {
    const Word16* s;
    bool exact;
    // s[2m] and s[2m + 1] at index m (m from -kHalfDelayMax): the even
    // samples and the odd ones side by side, so that every correlation on
    // even samples reads two contiguous runs.
    const Word16* even;
    const Word16* odd;
};

// Correlation of the signal with itself delayed by t, on even samples;
// inlined into the search over delays, where the compiler keeps the even
// samples' loads and the loop set-up out of the delays' loop.
[[gnu::always_inline]] inline Word32 decimated_correlation(Signal x, int t, int length) {
    const Word16* s = x.s;
    if (x.exact) {
        // s[2k - t] is even[k - t/2] for even t, odd[k - (t+1)/2] for odd t.
        const Word16* delayed = t % 2 == 0 ? x.even - t / 2 : x.odd - (t + 1) / 2;
        std::int32_t sum = 0;
#pragma GCC unroll 1
        for (int k = 0; k < (length + 1) / 2; ++k) sum += std::int32_t{x.even[k]} * delayed[k];
        return 2 * sum;
    }
    Word32 sum = 0;
    for (int j = 0; j < length; j += 2) sum = l_mac(sum, s[j], s[j - t]);
    return sum;
}

struct SectionBest {
    Word16 delay;
    Word32 correlation;
};

// The delay of the largest correlation in [from, to); the first of equals.
SectionBest best_delay(Signal s, int from, int to, int step, int length) {
    SectionBest best{static_cast<Word16>(from), kMin32};
    for (int t = from; t < to; t += step) {
        const Word32 c = decimated_correlation(s, t, length);
        if (l_sub(c, best.correlation) > 0) best = {static_cast<Word16>(t), c};
    }
    return best;
}

// correlation / sqrt(energy of the delayed signal), 16 bits.
Word16 normalised(Signal s, SectionBest b, int length) {
    Word32 energy = 1;  // no division by zero
    const Word16* p = s.s - b.delay;
    if (s.exact) {
        std::int32_t sum = 0;
        for (int i = 0; i < length; i += 2) sum += std::int32_t{p[i]} * p[i];
        energy += 2 * sum;
    } else {
        for (int i = 0; i < length; i += 2) energy = l_mac(energy, p[i], p[i]);
    }
    return extract_l(mpy_32(l_extract(b.correlation), l_extract(inv_sqrt(energy))));
}

}  // namespace

Word16 open_loop_pitch(const Word16* wsp, int frame_length) {
    Word16 buffer[kDelayMax + kMaxFrame];
    Word16* s = buffer + kDelayMax;

    // scale so that the correlations neither saturate nor lose precision
    bool overflow = false;
    Word32 energy = 0;
    for (int i = -kDelayMax; i < frame_length; i += 2)
        energy = l_mac(energy, wsp[i], wsp[i], overflow);
    for (int i = -kDelayMax; i < frame_length; ++i) {
        if (overflow) {
            s[i] = shr(wsp[i], 3);
        } else if (l_sub(energy, 1048576) < 0) {
            s[i] = shl(wsp[i], 3);
        } else {
            s[i] = wsp[i];
        }
    }

    Word16 even[kHalfDelayMax + kMaxFrame / 2] = {};
    Word16 odd[kHalfDelayMax + kMaxFrame / 2] = {};
    for (int i = -kDelayMax; i < frame_length; ++i) {
        const int m = (i - (i & 1)) / 2;  // floor(i / 2)
        ((i & 1) == 0 ? even : odd)[kHalfDelayMax + m] = s[i];
    }
    const std::int64_t e = energy_of(s - kDelayMax, kDelayMax + frame_length);
    const Signal x{s, products_fit(e, e, 1), even + kHalfDelayMax, odd + kHalfDelayMax};
    const SectionBest b1 = best_delay(x, 20, 40, 1, frame_length);
    const SectionBest b2 = best_delay(x, 40, 80, 1, frame_length);
    SectionBest b3 = best_delay(x, 80, 143, 2, frame_length);
    // refine the even-delay search of the last section by its neighbours
    const Word16 centre = b3.delay;
    for (const int t : {centre + 1, centre - 1}) {
        const Word32 c = decimated_correlation(x, t, frame_length);
        if (l_sub(c, b3.correlation) > 0) b3 = {static_cast<Word16>(t), c};
    }

    Word16 max1 = normalised(x, b1, frame_length);
    Word16 max2 = normalised(x, b2, frame_length);
    const Word16 max3 = normalised(x, b3, frame_length);

    // favour submultiples: 0.25 for section 3 into 2, 0.2 for 2 into 1
    Word16 d = sub(shl(b2.delay, 1), b3.delay);
    if (abs_s(d) < 5) max2 = add(max2, shr(max3, 2));
    d = add(d, b2.delay);
    if (abs_s(d) < 7) max2 = add(max2, shr(max3, 2));
    d = sub(shl(b1.delay, 1), b2.delay);
    if (abs_s(d) < 5) max1 = add(max1, mult(max2, 6554));
    d = add(d, b1.delay);
    if (abs_s(d) < 7) max1 = add(max1, mult(max2, 6554));

    Word16 delay = b1.delay;
    if (max1 < max2) {
        max1 = max2;
        delay = b2.delay;
    }
    if (max1 < max3) delay = b3.delay;
    return delay;
}

}  // namespace vox::g729
