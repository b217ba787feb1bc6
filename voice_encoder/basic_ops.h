#pragma once
// The ITU-T basic operators (G.191 / G.729 fixed-point arithmetic) as constexpr
// functions: saturating 16- and 32-bit arithmetic, shifts, normalisation,
// rounding, fractional division, and the double-precision (hi, lo) helpers of
// G.729. Results match the reference operators bit for bit.
//
// The reference keeps a global Overflow flag; the coder needs it in a few
// places (autocorrelation, open-loop pitch and pitch-gain energy scaling). The
// operators that can overflow have an overload taking a `bool& overflow`, which
// they set (never clear) when they saturate.

#include <bit>
#include <cstdint>

namespace vox::g729 {

using Word16 = std::int16_t;
using Word32 = std::int32_t;

inline constexpr Word16 kMax16 = 32767;
inline constexpr Word16 kMin16 = -32768;
inline constexpr Word32 kMax32 = 2147483647;
inline constexpr Word32 kMin32 = -2147483647 - 1;

// Written as a clamp, which compiles without branches and vectorises.
constexpr Word16 saturate(Word32 v) {
    return static_cast<Word16>(v < kMin16 ? Word32{kMin16} : (v > kMax16 ? Word32{kMax16} : v));
}

// ---- 16-bit operators -------------------------------------------------------

constexpr Word16 add(Word16 a, Word16 b) {
    return saturate(Word32{a} + b);
}
constexpr Word16 sub(Word16 a, Word16 b) {
    return saturate(Word32{a} - b);
}
constexpr Word16 abs_s(Word16 a) {
    return a == kMin16 ? kMax16 : static_cast<Word16>(a < 0 ? -a : a);
}
constexpr Word16 negate(Word16 a) {
    return a == kMin16 ? kMax16 : static_cast<Word16>(-a);
}
constexpr Word16 extract_h(Word32 l) {
    return static_cast<Word16>(l >> 16);
}
constexpr Word16 extract_l(Word32 l) {
    return static_cast<Word16>(l);
}

constexpr Word16 shr(Word16 a, Word16 n);

constexpr Word16 shl(Word16 a, Word16 n) {
    if (n < 0) return shr(a, static_cast<Word16>(n < -16 ? 16 : -n));
    const Word32 r =
        static_cast<Word32>(static_cast<std::uint32_t>(Word32{a}) << (n > 16 ? 16 : n));
    if ((n > 15 && a != 0) || r != static_cast<Word16>(r)) return a > 0 ? kMax16 : kMin16;
    return static_cast<Word16>(r);
}

constexpr Word16 shr(Word16 a, Word16 n) {
    if (n < 0) return shl(a, static_cast<Word16>(n < -16 ? 16 : -n));
    if (n >= 15) return a < 0 ? Word16{-1} : Word16{0};
    return static_cast<Word16>(a >> n);
}

// Shift right with rounding.
constexpr Word16 shr_r(Word16 a, Word16 n) {
    if (n > 15) return 0;
    Word16 r = shr(a, n);
    if (n > 0 && (a & (1 << (n - 1))) != 0) r = static_cast<Word16>(r + 1);
    return r;
}

// Fractional product a*b in Q15 (truncated).
constexpr Word16 mult(Word16 a, Word16 b) {
    return saturate((Word32{a} * b) >> 15);
}

// Fractional product a*b in Q15, rounded.
constexpr Word16 mult_r(Word16 a, Word16 b) {
    return saturate((Word32{a} * b + 0x4000) >> 15);
}

// Number of left shifts that normalise a (0 for 0, 15 for -1).
constexpr Word16 norm_s(Word16 a) {
    if (a == 0) return 0;
    if (a == -1) return 15;
    const auto v = static_cast<std::uint32_t>(a < 0 ? ~Word32{a} : a);
    return static_cast<Word16>(std::countl_zero(v) - 17);
}

// Fractional division num/den in Q15; requires 0 <= num <= den and den > 0.
constexpr Word16 div_s(Word16 num, Word16 den) {
    if (num == 0 || den <= 0 || num < 0) return 0;
    if (num >= den) return kMax16;
    Word32 n = num;
    const Word32 d = den;
    Word16 q = 0;
    // selects, not branches: each quotient bit is anyone's guess
    for (int i = 0; i < 15; ++i) {
        n <<= 1;
        const bool fits = n >= d;
        n -= fits ? d : 0;
        q = static_cast<Word16>((q << 1) | (fits ? 1 : 0));
    }
    return q;
}

// ---- 32-bit operators -------------------------------------------------------

constexpr Word32 l_deposit_h(Word16 a) {
    return static_cast<Word32>(static_cast<std::uint32_t>(Word32{a}) << 16);
}
constexpr Word32 l_deposit_l(Word16 a) {
    return a;
}

// v limited to the 32-bit range; sets overflow when it was outside.
constexpr Word32 saturate32(std::int64_t v, bool& overflow) {
    if (v > kMax32) {
        overflow = true;
        return kMax32;
    }
    if (v < kMin32) {
        overflow = true;
        return kMin32;
    }
    return static_cast<Word32>(v);
}

constexpr Word32 l_add(Word32 a, Word32 b, bool& overflow) {
    return saturate32(std::int64_t{a} + b, overflow);
}
constexpr Word32 l_add(Word32 a, Word32 b) {
    bool ignored = false;
    return l_add(a, b, ignored);
}

constexpr Word32 l_sub(Word32 a, Word32 b, bool& overflow) {
    return saturate32(std::int64_t{a} - b, overflow);
}
constexpr Word32 l_sub(Word32 a, Word32 b) {
    bool ignored = false;
    return l_sub(a, b, ignored);
}

constexpr Word32 l_negate(Word32 a) {
    return a == kMin32 ? kMax32 : -a;
}
constexpr Word32 l_abs(Word32 a) {
    return a == kMin32 ? kMax32 : (a < 0 ? -a : a);
}

// 2*a*b, saturated (only -1 * -1 saturates).
constexpr Word32 l_mult(Word16 a, Word16 b, bool& overflow) {
    const Word32 p = Word32{a} * b;
    if (p == 0x40000000) {
        overflow = true;
        return kMax32;
    }
    return p * 2;
}
constexpr Word32 l_mult(Word16 a, Word16 b) {
    bool ignored = false;
    return l_mult(a, b, ignored);
}

constexpr Word32 l_mac(Word32 acc, Word16 a, Word16 b, bool& overflow) {
    return l_add(acc, l_mult(a, b, overflow), overflow);
}
constexpr Word32 l_mac(Word32 acc, Word16 a, Word16 b) {
    return l_add(acc, l_mult(a, b));
}

constexpr Word32 l_msu(Word32 acc, Word16 a, Word16 b, bool& overflow) {
    return l_sub(acc, l_mult(a, b, overflow), overflow);
}
constexpr Word32 l_msu(Word32 acc, Word16 a, Word16 b) {
    return l_sub(acc, l_mult(a, b));
}

constexpr Word32 l_shr(Word32 a, Word16 n);

constexpr Word32 l_shl(Word32 a, Word16 n, bool& overflow) {
    if (n <= 0) return l_shr(a, static_cast<Word16>(n < -32 ? 32 : -n));
    if (a == 0) return 0;
    // the doubling saturates as soon as the value leaves the 32-bit range,
    // which it does for any non-zero value by 32 shifts
    return saturate32(
        static_cast<std::int64_t>(static_cast<std::uint64_t>(std::int64_t{a}) << (n > 32 ? 32 : n)),
        overflow);
}
constexpr Word32 l_shl(Word32 a, Word16 n) {
    bool ignored = false;
    return l_shl(a, n, ignored);
}

constexpr Word32 l_shr(Word32 a, Word16 n) {
    if (n < 0) return l_shl(a, static_cast<Word16>(n < -32 ? 32 : -n));
    if (n >= 31) return a < 0 ? -1 : 0;
    return a >> n;
}

// Shift right with rounding.
constexpr Word32 l_shr_r(Word32 a, Word16 n) {
    if (n > 31) return 0;
    Word32 r = l_shr(a, n);
    if (n > 0 && (a & (Word32{1} << (n - 1))) != 0) ++r;
    return r;
}

// Rounds a Q31 value to its upper 16 bits.
constexpr Word16 round16(Word32 a) {
    return extract_h(l_add(a, 0x8000));
}

constexpr Word16 mac_r(Word32 acc, Word16 a, Word16 b) {
    return round16(l_mac(acc, a, b));
}
constexpr Word16 msu_r(Word32 acc, Word16 a, Word16 b) {
    return round16(l_msu(acc, a, b));
}

// Number of left shifts that normalise a (0 for 0, 31 for -1).
constexpr Word16 norm_l(Word32 a) {
    if (a == 0) return 0;
    if (a == -1) return 31;
    const auto v = static_cast<std::uint32_t>(a < 0 ? ~a : a);
    return static_cast<Word16>(std::countl_zero(v) - 1);
}

// ---- Double precision format (hi, lo): L = hi<<16 + lo<<1 ------------------

struct Dpf {
    Word16 hi;
    Word16 lo;
};

constexpr Dpf l_extract(Word32 l) {
    const Word16 hi = extract_h(l);
    return {hi, extract_l(l_msu(l_shr(l, 1), hi, 16384))};
}

constexpr Word32 l_comp(Word16 hi, Word16 lo) {
    return l_mac(l_deposit_h(hi), lo, 1);
}
constexpr Word32 l_comp(Dpf d) {
    return l_comp(d.hi, d.lo);
}

// 32 x 32 bit product of two DPF values.
constexpr Word32 mpy_32(Dpf a, Dpf b) {
    Word32 l = l_mult(a.hi, b.hi);
    l = l_mac(l, mult(a.hi, b.lo), 1);
    return l_mac(l, mult(a.lo, b.hi), 1);
}

// 32 x 16 bit product of a DPF value and a 16-bit value.
constexpr Word32 mpy_32_16(Dpf a, Word16 n) {
    return l_mac(l_mult(a.hi, n), mult(a.lo, n), 1);
}

// Fractional 32-bit division num/den (den normalised, 0 < num < den), by a
// Newton step on 1/den (G.729 oper_32b).
constexpr Word32 div_32(Word32 num, Dpf den) {
    const Word16 approx = div_s(0x3fff, den.hi);
    Word32 l = l_sub(kMax32, mpy_32_16(den, approx));
    l = mpy_32_16(l_extract(l), approx);
    return l_shl(mpy_32(l_extract(num), l_extract(l)), 2);
}

}  // namespace vox::g729
