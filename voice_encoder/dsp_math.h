#pragma once
// Table-driven logarithm, power and inverse square root of G.729 (dspfunc).

#include "voice_encoder/basic_ops.h"

namespace vox::g729 {

struct Log2Result {
    Word16 exponent;  // integer part of log2(x)
    Word16 fraction;  // fractional part, Q15
};

// log2 of a positive 32-bit value; 0 and negative values give {0, 0}.
Log2Result log2_l(Word32 x);

// 2^(exponent + fraction), fraction in Q15, exponent 0..30.
Word32 pow2(Word16 exponent, Word16 fraction);

// 1/sqrt(x) in Q30 for 0 < x < 1 in Q31; non-positive x gives 1.0 (Q30).
Word32 inv_sqrt(Word32 x);

}  // namespace vox::g729
