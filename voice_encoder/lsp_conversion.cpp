#include "voice_encoder/lsp_conversion.h"

#include <algorithm>
#include <cstdint>

#include "voice_encoder/tables.h"

namespace vox::g729 {

Word16 chebyshev_saturating(Word16 x, const Word16 f[kHalfOrder + 1], bool reduced) {
    const Word16 one_hi = reduced ? Word16{128} : Word16{256};
    Dpf b2{one_hi, 0};
    Word32 t0 = l_mac(l_mult(x, reduced ? Word16{256} : Word16{512}), f[1], 4096);
    Dpf b1 = l_extract(t0);
    for (int i = 2; i < kHalfOrder; ++i) {
        t0 = l_shl(mpy_32_16(b1, x), 1);
        t0 = l_mac(t0, b2.hi, kMin16);
        t0 = l_msu(t0, b2.lo, 1);
        t0 = l_mac(t0, f[i], 4096);
        b2 = b1;
        b1 = l_extract(t0);
    }
    t0 = mpy_32_16(b1, x);
    t0 = l_mac(t0, b2.hi, kMin16);
    t0 = l_msu(t0, b2.lo, 1);
    t0 = l_mac(t0, f[kHalfOrder], 2048);
    return extract_h(l_shl(t0, reduced ? Word16{7} : Word16{6}));
}

// Plain 32-bit arithmetic while the recursion's values stay below 2^29 in
// size: then every intermediate of a step stays below 2^31 (2 * 2^29 from the
// doubled product, 2^29 from the older value, 2^28 from the coefficient, plus
// the DPF low parts), so no operator saturates and the result is the same.
// Otherwise the saturating recursion decides.
Word16 chebyshev(Word16 x, const Word16 f[kHalfOrder + 1], bool reduced) {
    constexpr std::int32_t kBound = std::int32_t{1} << 29;
    // DPF product b * x of a value b given as hi << 16 + lo << 1
    const auto times_x = [x](std::int32_t b) {
        const std::int32_t hi = b >> 16;
        const std::int32_t lo = (b >> 1) - hi * 32768;
        return 2 * hi * x + 2 * ((lo * x) >> 15);
    };
    std::int32_t b2 = std::int32_t{reduced ? 128 : 256} << 16;
    std::int32_t b1 = x * (reduced ? 512 : 1024) + f[1] * 8192;  // below 2^25 + 2^28
    for (int i = 2; i < kHalfOrder; ++i) {
        // the older value enters through its DPF form, its lowest bit dropped
        const std::int32_t t = 2 * times_x(b1) - (b2 & ~1) + f[i] * 8192;
        if (t >= kBound || t <= -kBound) return chebyshev_saturating(x, f, reduced);
        b2 = b1;
        b1 = t;
    }
    const Word32 t0 = times_x(b1) - (b2 & ~1) + f[kHalfOrder] * 4096;
    return extract_h(l_shl(t0, reduced ? Word16{7} : Word16{6}));
}

namespace {

constexpr int kGridSteps = 50;

// Sum and difference polynomials F1, F2 of A(z); returns false when a
// coefficient saturates in Q11.
bool split_polynomials(const Word16 a[kSubframeFilterSize], Word16 scale, Word16 one,
                       Word16 f1[kHalfOrder + 1], Word16 f2[kHalfOrder + 1]) {
    bool overflow = false;
    f1[0] = one;
    f2[0] = one;
    for (int i = 0; i < kHalfOrder; ++i) {
        Word32 t = l_mac(l_mult(a[i + 1], scale), a[kLpOrder - i], scale, overflow);
        Word32 exact = Word32{extract_h(t)} - f1[i];
        f1[i + 1] = saturate(exact);
        overflow = overflow || exact != f1[i + 1];
        t = l_msu(l_mult(a[i + 1], scale), a[kLpOrder - i], scale, overflow);
        exact = Word32{extract_h(t)} + f2[i];
        f2[i + 1] = saturate(exact);
        overflow = overflow || exact != f2[i + 1];
    }
    return !overflow;
}

// Root of C between xlow (value ylow) and xhigh (value yhigh): two bisections,
// then linear interpolation.
Word16 refine_root(Word16 xlow, Word16 ylow, Word16 xhigh, Word16 yhigh, const Word16* f,
                   bool reduced) {
    for (int i = 0; i < 2; ++i) {
        const Word16 xmid = add(shr(xlow, 1), shr(xhigh, 1));
        const Word16 ymid = chebyshev(xmid, f, reduced);
        if (l_mult(ylow, ymid) <= 0) {
            yhigh = ymid;
            xhigh = xmid;
        } else {
            ylow = ymid;
            xlow = xmid;
        }
    }
    const Word16 x = sub(xhigh, xlow);
    Word16 y = sub(yhigh, ylow);
    if (y == 0) return xlow;
    const Word16 sign = y;
    y = abs_s(y);
    const Word16 exp = norm_s(y);
    y = div_s(16383, shl(y, exp));
    y = extract_l(l_shr(l_mult(x, y), sub(20, exp)));  // (xhigh-xlow)/(yhigh-ylow), Q11
    if (sign < 0) y = negate(y);
    return sub(xlow, extract_l(l_shr(l_mult(ylow, y), 11)));
}

// Coefficients of the product of (1 - 2 lsp[2i] z^-1 + z^-2), Q24.
void lsp_polynomial(const Word16* lsp, Word32 f[kHalfOrder + 1]) {
    f[0] = l_mult(4096, 2048);
    f[1] = l_msu(0, lsp[0], 512);
    for (int i = 2; i <= kHalfOrder; ++i) {
        const Word16 p = lsp[2 * (i - 1)];
        f[i] = f[i - 2];
        for (int j = i; j > 1; --j) {
            const Word32 t = l_shl(mpy_32_16(l_extract(f[j - 1]), p), 1);
            f[j] = l_sub(l_add(f[j], f[j - 2]), t);
        }
        f[1] = l_msu(f[1], p, 512);
    }
}

}  // namespace

void az_to_lsp(const Word16 a[kSubframeFilterSize], Word16 lsp[kLpOrder],
               const Word16 previous_lsp[kLpOrder]) {
    Word16 f1[kHalfOrder + 1];
    Word16 f2[kHalfOrder + 1];
    bool reduced = false;
    if (!split_polynomials(a, 16384, 2048, f1, f2)) {
        reduced = true;
        split_polynomials(a, 8192, 1024, f1, f2);
    }

    int found = 0;
    const Word16* f = f1;
    Word16 xlow = lsp_grid[0];
    Word16 ylow = chebyshev(xlow, f, reduced);
    for (int j = 0; found < kLpOrder && j < kGridSteps;) {
        ++j;
        const Word16 xhigh = xlow;
        const Word16 yhigh = ylow;
        xlow = lsp_grid[j];
        ylow = chebyshev(xlow, f, reduced);
        if (l_mult(ylow, yhigh) <= 0) {
            xlow = refine_root(xlow, ylow, xhigh, yhigh, f, reduced);
            lsp[found++] = xlow;
            f = (f == f1) ? f2 : f1;  // the roots of F1 and F2 alternate
            ylow = chebyshev(xlow, f, reduced);
        }
    }
    if (found < kLpOrder) std::copy(previous_lsp, previous_lsp + kLpOrder, lsp);
}

void lsp_to_az(const Word16 lsp[kLpOrder], Word16 a[kSubframeFilterSize]) {
    Word32 f1[kHalfOrder + 1];
    Word32 f2[kHalfOrder + 1];
    lsp_polynomial(lsp, f1);
    lsp_polynomial(lsp + 1, f2);
    for (int i = kHalfOrder; i > 0; --i) {
        f1[i] = l_add(f1[i], f1[i - 1]);  // times (1 + z^-1)
        f2[i] = l_sub(f2[i], f2[i - 1]);  // times (1 - z^-1)
    }
    a[0] = 4096;
    for (int i = 1, j = kLpOrder; i <= kHalfOrder; ++i, --j) {
        a[i] = extract_l(l_shr_r(l_add(f1[i], f2[i]), 13));
        a[j] = extract_l(l_shr_r(l_sub(f1[i], f2[i]), 13));
    }
}

void lsf_to_lsp(const Word16 lsf[kLpOrder], Word16 lsp[kLpOrder]) {
    for (int i = 0; i < kLpOrder; ++i) {
        const Word16 freq = mult(lsf[i], 20861);  // 1/(2 pi) in Q17
        const Word16 ind = std::min<Word16>(shr(freq, 8), 63);
        const Word16 offset = static_cast<Word16>(freq & 0xff);
        lsp[i] = add(cos_table2[ind], extract_l(l_shr(l_mult(slope_cos[ind], offset), 13)));
    }
}

void lsp_to_lsf(const Word16 lsp[kLpOrder], Word16 lsf[kLpOrder]) {
    Word16 ind = 63;
    for (int i = kLpOrder - 1; i >= 0; --i) {
        while (cos_table2[ind] < lsp[i]) {
            ind = sub(ind, 1);
            if (ind <= 0) break;
        }
        const Word16 offset = sub(lsp[i], cos_table2[ind]);
        const Word16 freq = add(shl(ind, 9), extract_l(l_shr(l_mult(slope_acos[ind], offset), 12)));
        lsf[i] = mult(freq, 25736);  // 2 pi in Q12
    }
}

void interpolate_to_subframes(const Word16 previous_lsp[kLpOrder], const Word16 lsp[kLpOrder],
                              Word16 a[2 * kSubframeFilterSize]) {
    Word16 mean[kLpOrder];
    for (int i = 0; i < kLpOrder; ++i) mean[i] = add(shr(lsp[i], 1), shr(previous_lsp[i], 1));
    lsp_to_az(mean, a);
    lsp_to_az(lsp, a + kSubframeFilterSize);
}

}  // namespace vox::g729
