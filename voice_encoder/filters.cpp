#include "voice_encoder/filters.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "voice_encoder/exact_sums.h"

namespace vox::g729 {

namespace {

// The largest sample magnitude below which no partial sum of samples weighted
// by the filter's coefficients can leave the 32-bit range: then every l_mac
// or l_msu chain of the filter equals its exact sum (2 M sum |a| <= 2^31 - 1).
std::int32_t fitting_magnitude(const Word16 a[kSubframeFilterSize]) {
    std::int32_t sum = 0;
    for (int j = 0; j <= kLpOrder; ++j) sum += a[j] < 0 ? -std::int32_t{a[j]} : a[j];
    return sum == 0 ? kMax32 : kMax32 / (2 * sum);
}

// The coefficients a[1..10] oldest-sample first, so that the sums over the
// last ten samples run forwards in memory, which the vectoriser handles.
struct ReversedTaps {
    explicit ReversedTaps(const Word16 a[kSubframeFilterSize]) {
        for (int k = 0; k < kLpOrder; ++k) taps[k] = a[kLpOrder - k];
    }
    // sum a[j] v[-j], j = 1..10, for v the sample after `oldest`'s ten.
    std::int32_t sum(const Word16* oldest) const {
        std::int32_t s = 0;
        // Left as a loop, GCC turns it into multiply-adds of packed samples;
        // unrolled inside the caller's loop first, it stays scalar.
#pragma GCC unroll 1
        for (int k = 0; k < kLpOrder; ++k) s += std::int32_t{taps[k]} * oldest[k];
        return s;
    }
    Word16 taps[kLpOrder];
};

}  // namespace

void residual(const Word16 a[kSubframeFilterSize], const Word16* x, Word16* y, int length) {
    const bool exact = largest_magnitude(x - kLpOrder, kLpOrder + length) <= fitting_magnitude(a);
    const ReversedTaps past(a);
    for (int i = 0; i < length; ++i) {
        Word32 s;
        if (exact) {
            s = 2 * (std::int32_t{x[i]} * a[0] + past.sum(x + i - kLpOrder));
        } else {
            s = l_mult(x[i], a[0]);
            for (int j = 1; j <= kLpOrder; ++j) s = l_mac(s, a[j], x[i - j]);
        }
        y[i] = round16(l_shl(s, 3));
    }
}

bool synthesis_filter(const Word16 a[kSubframeFilterSize], const Word16* x, Word16* y, int length,
                      Word16 mem[kLpOrder], bool update_memory) {
    constexpr int kMaxLength = 80;
    Word16 buf[kLpOrder + kMaxLength];
    std::copy(mem, mem + kLpOrder, buf);
    Word16* out = buf + kLpOrder;
    bool overflow = false;
    // The bound follows the outputs, which the filter reads back.
    const std::int32_t fitting = fitting_magnitude(a);
    std::int32_t largest = std::max(largest_magnitude(mem, kLpOrder), largest_magnitude(x, length));
    const ReversedTaps past(a);
    for (int i = 0; i < length; ++i) {
        Word32 s;
        if (largest <= fitting) {
            s = 2 * (std::int32_t{x[i]} * a[0] - past.sum(out + i - kLpOrder));
        } else {
            s = l_mult(x[i], a[0], overflow);
            for (int j = 1; j <= kLpOrder; ++j) s = l_msu(s, a[j], out[i - j], overflow);
        }
        s = l_add(l_shl(s, 3, overflow), 0x8000, overflow);
        out[i] = extract_h(s);
        largest = std::max(largest, std::abs(std::int32_t{out[i]}));
    }
    std::copy(out, out + length, y);
    if (update_memory) std::copy(out + length - kLpOrder, out + length, mem);
    return overflow;
}

void weight_coefficients(const Word16 a[kSubframeFilterSize], Word16 gamma,
                         Word16 ap[kSubframeFilterSize]) {
    ap[0] = a[0];
    Word16 factor = gamma;
    for (int i = 1; i < kLpOrder; ++i) {
        ap[i] = round16(l_mult(a[i], factor));
        factor = round16(l_mult(factor, gamma));
    }
    ap[kLpOrder] = round16(l_mult(a[kLpOrder], factor));
}

}  // namespace vox::g729
