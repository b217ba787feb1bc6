#pragma once
// Backward filtering of a target through the weighted synthesis filter
// (G.729 3.7 and 3.8.1): d[n] = sum x[j] h[j-n], scaled to 13 bits.

#include "voice_encoder/basic_ops.h"

namespace vox::g729 {

inline constexpr int kSubframe = 40;  // L_SUBFR

// The unscaled sums y[n] = sum x[j] h[j-n] (L_mac accumulation), without the
// saturation checks when no partial sum can saturate; the callers scale them
// each in their own way.
void backward_correlation(const Word16 h[kSubframe], const Word16 x[kSubframe],
                          Word32 y[kSubframe]);

void correlate_with_impulse_response(const Word16 h[kSubframe], const Word16 x[kSubframe],
                                     Word16 d[kSubframe]);

// Dot product of two subframes (L_mac accumulation).
Word32 dot_product(const Word16* a, const Word16* b, int length);

}  // namespace vox::g729
