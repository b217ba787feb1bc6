#include "voice_encoder/filters.h"

#include <algorithm>

namespace vox::g729 {

void residual(const Word16 a[kSubframeFilterSize], const Word16* x, Word16* y, int length) {
    for (int i = 0; i < length; ++i) {
        Word32 s = l_mult(x[i], a[0]);
        for (int j = 1; j <= kLpOrder; ++j) s = l_mac(s, a[j], x[i - j]);
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
    for (int i = 0; i < length; ++i) {
        Word32 s = l_mult(x[i], a[0], overflow);
        for (int j = 1; j <= kLpOrder; ++j) s = l_msu(s, a[j], out[i - j], overflow);
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
