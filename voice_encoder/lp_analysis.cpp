#include "voice_encoder/lp_analysis.h"

#include <algorithm>
#include <iterator>

#include "voice_encoder/exact_sums.h"
#include "voice_encoder/tables.h"

namespace vox::g729 {

Autocorrelation autocorrelation(const Word16* x) {
    Word16 y[kLpWindowLength];
    for (int i = 0; i < kLpWindowLength; ++i) y[i] = mult_r(x[i], lp_window[i]);

    // r[0] starts at 1 so that it stays positive for an all-zero window. Its
    // terms are never negative: the saturating sum overflows exactly when the
    // exact one passes 2^31 - 1, and then the window is scaled down.
    Word32 sum = 0;
    for (;;) {
        const std::int64_t exact = 1 + 2 * energy_of(y, kLpWindowLength);
        if (exact <= kMax32) {
            sum = static_cast<Word32>(exact);
            break;
        }
        for (Word16& v : y) v = shr(v, 2);
    }

    Autocorrelation r{};
    const Word16 norm = norm_l(sum);
    Dpf d = l_extract(l_shl(sum, norm));
    r.hi[0] = d.hi;
    r.lo[0] = d.lo;
    for (int i = 1; i <= kLpOrder; ++i) {
        // bounded by r[0], which fits
        sum = exact_mac(0, y, y + i, kLpWindowLength - i);
        d = l_extract(l_shl(sum, norm));
        r.hi[i] = d.hi;
        r.lo[i] = d.lo;
    }
    return r;
}

void apply_lag_window(Autocorrelation& r) {
    for (int i = 1; i <= kLpOrder; ++i) {
        const Dpf d =
            l_extract(mpy_32({r.hi[i], r.lo[i]}, {lag_window_hi[i - 1], lag_window_lo[i - 1]}));
        r.hi[i] = d.hi;
        r.lo[i] = d.lo;
    }
}

void LevinsonSolver::reset() {
    std::fill(std::begin(last_a_), std::end(last_a_), Word16{0});
    last_a_[0] = 4096;
}

namespace {

// alpha * (1 - k^2), everything in DPF.
Word32 shrink_error(Dpf alpha, Dpf k) {
    const Word32 one_minus_k2 = l_sub(kMax32, l_abs(mpy_32(k, k)));
    return mpy_32(alpha, l_extract(one_minus_k2));
}

}  // namespace

void LevinsonSolver::solve(const Autocorrelation& r, Word16 a[kLpOrder + 1]) {
    Dpf coef[kLpOrder + 1];  // A(z) in Q27
    Dpf next[kLpOrder + 1];

    // k = a[1] = -r[1] / r[0]
    Word32 t1 = l_comp(r.hi[1], r.lo[1]);
    Word32 t0 = div_32(l_abs(t1), {r.hi[0], r.lo[0]});
    if (t1 > 0) t0 = l_negate(t0);
    Dpf k = l_extract(t0);
    coef[1] = l_extract(l_shr(t0, 4));

    t0 = shrink_error({r.hi[0], r.lo[0]}, k);
    Word16 alpha_exp = norm_l(t0);
    Dpf alpha = l_extract(l_shl(t0, alpha_exp));

    for (int i = 2; i <= kLpOrder; ++i) {
        t0 = 0;
        for (int j = 1; j < i; ++j) t0 = l_add(t0, mpy_32({r.hi[j], r.lo[j]}, coef[i - j]));
        t0 = l_add(l_shl(t0, 4), l_comp(r.hi[i], r.lo[i]));

        Word32 t2 = div_32(l_abs(t0), alpha);
        if (t0 > 0) t2 = l_negate(t2);
        t2 = l_shl(t2, alpha_exp);
        k = l_extract(t2);

        if (abs_s(k.hi) > 32750) {  // unstable: keep the previous filter
            std::copy(std::begin(last_a_), std::end(last_a_), a);
            return;
        }
        for (int j = 1; j < i; ++j) {
            next[j] = l_extract(l_add(mpy_32(k, coef[i - j]), l_comp(coef[j])));
        }
        next[i] = l_extract(l_shr(t2, 4));

        t0 = shrink_error(alpha, k);
        const Word16 norm = norm_l(t0);
        alpha = l_extract(l_shl(t0, norm));
        alpha_exp = add(alpha_exp, norm);
        std::copy(next + 1, next + i + 1, coef + 1);
    }

    a[0] = 4096;
    for (int i = 1; i <= kLpOrder; ++i) a[i] = round16(l_shl(l_comp(coef[i]), 1));
    std::copy(a, a + kLpOrder + 1, last_a_);
}

}  // namespace vox::g729
