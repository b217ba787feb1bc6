#pragma once
// The four-pulse search's correlation matrix from exact sums, in vector form
// (x86-64 builds only): row j, i <= j, holds
//   r(i, j) = upper 16 bits of 2 sum_{k=0}^{39-j} hs[k] hs[k + j - i],
// times sign[i] sign[j] (as mult by 32767 or -32768) off the diagonal.
//
// The sums run over a mirrored copy g[m] = hs[39 - m]: step n adds
// hs[n] g[m - n] to the sum B[m] of lag 39 - m, so that after step n the
// row j = 39 - n is B[n .. n + j], in order. The entries right of the
// diagonal are then copied from their mirror places.

#include "voice_encoder/basic_ops.h"

namespace vox::g729 {

inline constexpr int kPulseRows = 40;

// hs must be scaled so that no doubled sum of its products leaves 32 bits;
// sign[i] is 32767 or -32768.
void signed_correlation_matrix_sse2(const Word16 hs[kPulseRows], const Word16 sign[kPulseRows],
                                    Word16 r[kPulseRows][kPulseRows]);

}  // namespace vox::g729
