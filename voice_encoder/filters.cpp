#include "voice_encoder/filters.h"

#include <algorithm>
#include <cstdint>

namespace vox::g729 {

namespace {

// With sum |a| below 1.0 in Q15 (8.0 in Q12), no sum of 16-bit samples
// weighted by the filter's coefficients can leave the 32-bit range.
bool coefficients_fit(const Word16 a[kSubframeFilterSize]) {
    std::int32_t sum = 0;
    for (int j = 0; j <= kLpOrder; ++j) sum += a[j] < 0 ? -std::int32_t{a[j]} : a[j];
    return sum < 32768;
}

}  // namespace

void residual(const Word16 a[kSubframeFilterSize], const Word16* x, Word16* y, int length) {
    const bool exact = coefficients_fit(a);
    for (int i = 0; i < length; ++i) {
        Word32 s;
        if (exact) {
            std::int32_t sum = std::int32_t{x[i]} * a[0];
            for (int j = 1; j <= kLpOrder; ++j) sum += std::int32_t{a[j]} * x[i - j];
            s = 2 * sum;
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
    const bool exact = coefficients_fit(a);
    for (int i = 0; i < length; ++i) {
        Word32 s;
        if (exact) {
            std::int32_t sum = std::int32_t{x[i]} * a[0];
            for (int j = 1; j <= kLpOrder; ++j) sum -= std::int32_t{a[j]} * out[i - j];
            s = 2 * sum;
        } else {
            s = l_mult(x[i], a[0], overflow);
            for (int j = 1; j <= kLpOrder; ++j) s = l_msu(s, a[j], out[i - j], overflow);
        }
        s = l_add(l_shl(s, 3, overflow), 0x8000, overflow);
        out[i] = extract_h(s);
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
