#pragma once
// Conversions between LP coefficients, line spectral pairs (cosine domain,
// Q15) and line spectral frequencies (radians, Q13) of G.729 (3.2.3, 3.2.6 and
// Annex A), and the per-subframe interpolation of the quantised pairs.

#include "voice_encoder/lp_analysis.h"

namespace vox::g729 {

inline constexpr int kSubframeFilterSize = kLpOrder + 1;  // MP1
inline constexpr int kHalfOrder = kLpOrder / 2;           // NC

// Chebyshev polynomial C(x) of the coefficients f[0..5] by the Clenshaw
// recursion in DPF; f is in Q11, or Q10 when `reduced`. The result is in Q14.
// The root search calls the first; both give the same values, the second
// with the saturating operators throughout.
Word16 chebyshev(Word16 x, const Word16 f[kHalfOrder + 1], bool reduced);
Word16 chebyshev_saturating(Word16 x, const Word16 f[kHalfOrder + 1], bool reduced);

// Roots of the sum and difference polynomials of a[0..10] (Q12), found on the
// 51-point Annex A grid. When fewer than ten roots are found the previous
// pairs are kept.
void az_to_lsp(const Word16 a[kSubframeFilterSize], Word16 lsp[kLpOrder],
               const Word16 previous_lsp[kLpOrder]);

// LP coefficients a[0..10] (Q12) of the pairs lsp (Q15).
void lsp_to_az(const Word16 lsp[kLpOrder], Word16 a[kSubframeFilterSize]);

// Annex A table look-ups between the two domains.
void lsf_to_lsp(const Word16 lsf[kLpOrder], Word16 lsp[kLpOrder]);
void lsp_to_lsf(const Word16 lsp[kLpOrder], Word16 lsf[kLpOrder]);

// Filters of both subframes: the first from the mean of the previous and the
// current pairs, the second from the current pairs (3.2.5).
void interpolate_to_subframes(const Word16 previous_lsp[kLpOrder], const Word16 lsp[kLpOrder],
                              Word16 a[2 * kSubframeFilterSize]);

}  // namespace vox::g729
