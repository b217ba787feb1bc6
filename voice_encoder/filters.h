#pragma once
// Order-10 filters of G.729: LP residual A(z), synthesis 1/A(z) and bandwidth
// expansion A(z/gamma). Coefficients in Q12.

#include "voice_encoder/lsp_conversion.h"

namespace vox::g729 {

// y[n] = sum a[j] x[n-j], j = 0..10; x must have ten samples of history
// before x[0].
void residual(const Word16 a[kSubframeFilterSize], const Word16* x, Word16* y, int length);

// y[n] = x[n] - sum a[j] y[n-j], j = 1..10, starting from the memory mem
// (oldest first); length at most 80. With update_memory the last ten outputs become the memory.
// Returns true when the arithmetic saturated (the decoder rescales then).
bool synthesis_filter(const Word16 a[kSubframeFilterSize], const Word16* x, Word16* y, int length,
                      Word16 mem[kLpOrder], bool update_memory);

// ap[i] = a[i] gamma^i (Q15 gamma).
void weight_coefficients(const Word16 a[kSubframeFilterSize], Word16 gamma,
                         Word16 ap[kSubframeFilterSize]);

}  // namespace vox::g729
