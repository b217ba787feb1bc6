#pragma once
// The pulse searches' correlation matrices from exact sums, in vector form
// (x86-64 builds only): row j, i <= j, holds
//   r(i, j) = upper 16 bits of 2 sum_{k=0}^{39-j} hs[k] hs[k + j - i]
// with the pulses' signs folded in as each search folds them.
//
// The sums run over a mirrored copy g[m] = hs[39 - m]: step n adds
// hs[n] g[m - n] to the sum B[m] of lag 39 - m, so that after step n the
// row j = 39 - n is B[n .. n + j], in order. The entries right of the
// diagonal are then copied from their mirror places.

#include "voice_encoder/basic_ops.h"

namespace vox::g729 {

inline constexpr int kPulseRows = 40;

// How a search folds the signs s[i], s[j] (32767 or -32768) into r(i, j).
enum class PulseSigns {
    // four-pulse search: mult(r, 32767) for like signs, mult(r, -32768) for
    // unlike ones, the diagonal unsigned
    four_pulse,
    // two-pulse search: mult(r, mult(s[i], s[j])), the diagonal included
    two_pulse,
};

// hs must be scaled so that no doubled sum of its products leaves 32 bits.
// `diagonal` receives the unsigned r(j, j).
void signed_correlation_matrix_sse2(const Word16 hs[kPulseRows], const Word16 sign[kPulseRows],
                                    PulseSigns rule, Word16 r[kPulseRows][kPulseRows],
                                    Word16 diagonal[kPulseRows]);

}  // namespace vox::g729
