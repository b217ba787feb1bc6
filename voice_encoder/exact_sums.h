#pragma once
// Sums of products without the saturation checks of the basic operators, for
// the places that prove beforehand that no partial sum can leave the 32-bit
// range. A chain acc = l_mac(acc, a[i], b[i]) then equals the exact sum
// 2 * sum a[i] b[i] (plus the starting value), which the compiler can
// vectorise. Where the proof fails, callers keep the saturating path.
//
// The proofs rest on two bounds: a sum of products of a and b, in any order,
// alignment and length, is at most sqrt(energy(a) * energy(b)) in size
// (Cauchy-Schwarz); and a sum of products with fixed coefficients c is at most
// sum |c| times the largest input.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "voice_encoder/basic_ops.h"

namespace vox::g729 {

// The largest |v[i]|.
inline std::int32_t largest_magnitude(const Word16* v, int length) {
    std::int32_t m = 0;
    for (int i = 0; i < length; ++i) m = std::max(m, std::abs(std::int32_t{v[i]}));
    return m;
}

// sum v[i]^2, exact.
inline std::int64_t energy_of(const Word16* v, int length) {
    std::int64_t e = 0;
    for (int i = 0; i < length; ++i) e += std::int32_t{v[i]} * v[i];
    return e;
}

// The l_mac chain of v with itself from 0: its terms are never negative, so
// once it saturates it stays at the top, and it equals the exact sum capped.
inline Word32 saturating_energy(const Word16* v, int length) {
    return static_cast<Word32>(std::min<std::int64_t>(2 * energy_of(v, length), kMax32));
}

// True when |start| + 2 sqrt(ea * eb) stays below 2^31: then no l_mac chain
// from `start` over products of a signal of energy ea with one of energy eb
// can saturate.
inline bool products_fit(std::int64_t ea, std::int64_t eb, Word32 start = 0) {
    // (2^31 - 1 - |start|)^2 / 4 in double; the margin covers the products'
    // rounding (relative 2^-52 at most)
    const double room = 2147483647.0 - std::abs(static_cast<double>(start));
    return static_cast<double>(ea) * static_cast<double>(eb) < room * room / 4 * (1 - 1e-12);
}

// The l_mac chain start + 2 sum a[i] b[i], for callers that proved it cannot
// saturate.
inline Word32 exact_mac(Word32 start, const Word16* a, const Word16* b, int length) {
    std::int32_t s = 0;
    for (int i = 0; i < length; ++i) s += std::int32_t{a[i]} * b[i];
    return start + 2 * s;
}

}  // namespace vox::g729
