#pragma once
// Conversions between LP coefficients, line spectral pairs (cosine domain,
// Q15) and line spectral frequencies (radians, Q13) of G.729 (3.2.3, 3.2.6 and
// Annex A), and the per-subframe interpolation of the quantised pairs.

#include "voice_encoder/lp_analysis.h"

namespace vox::g729 {

inline constexpr int kSubframeFilterSize = kLpOrder + 1;  // MP1

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
