#pragma once
// Backward filtering of a target through the weighted synthesis filter
// (G.729 3.7 and 3.8.1): d[n] = sum x[j] h[j-n], scaled to 13 bits.

#include "voice_encoder/basic_ops.h"
#include "voice_encoder/vector_path.h"

namespace vox::g729 {

inline constexpr int kSubframe = 40;  // L_SUBFR

// The unscaled sums y[n] = sum x[j] h[j-n] (L_mac accumulation), without the
// saturation checks when no partial sum can saturate; the callers scale them
// each in their own way.
void backward_correlation(const Word16 h[kSubframe], const Word16 x[kSubframe],
                          Word32 y[kSubframe]);
// The same on the given path.
void backward_correlation(const Word16 h[kSubframe], const Word16 x[kSubframe], Word32 y[kSubframe],
                          VectorPath path);

// The exact sums in vector form (x86-64 builds only), for callers that proved
// that no partial sum leaves 32 bits.
void exact_backward_correlation_sse2(const Word16 h[kSubframe], const Word16 x[kSubframe],
                                     Word32 y[kSubframe]);
void exact_backward_correlation_avx2(const Word16 h[kSubframe], const Word16 x[kSubframe],
                                     Word32 y[kSubframe]);

void correlate_with_impulse_response(const Word16 h[kSubframe], const Word16 x[kSubframe],
                                     Word16 d[kSubframe]);

// Dot product of two subframes (L_mac accumulation).
Word32 dot_product(const Word16* a, const Word16* b, int length);

}  // namespace vox::g729
