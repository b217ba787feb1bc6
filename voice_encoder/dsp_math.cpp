#include "voice_encoder/dsp_math.h"

#include "voice_encoder/tables.h"

namespace vox::g729 {

namespace {

// Linear interpolation in a 33- or 49-entry table: entry i with the 15-bit
// fraction a towards entry i + 1, in Q16.
Word32 interpolate(const Word16* table, Word16 i, Word16 a) {
    const Word16 step = sub(table[i], table[i + 1]);
    return l_msu(l_deposit_h(table[i]), step, a);
}

}  // namespace

Log2Result log2_l(Word32 x) {
    if (x <= 0) return {0, 0};
    const Word16 exp = norm_l(x);
    x = l_shr(l_shl(x, exp), 9);
    const Word16 i = sub(extract_h(x), 32);  // bits 25..30 index the table
    const Word16 a = static_cast<Word16>(extract_l(l_shr(x, 1)) & 0x7fff);
    return {sub(30, exp), extract_h(interpolate(log2_table, i, a))};
}

Word32 pow2(Word16 exponent, Word16 fraction) {
    Word32 x = l_mult(fraction, 32);
    const Word16 i = extract_h(x);
    x = l_shr(x, 1);
    const Word16 a = static_cast<Word16>(extract_l(x) & 0x7fff);
    return l_shr_r(interpolate(pow2_table, i, a), sub(30, exponent));
}

Word32 inv_sqrt(Word32 x) {
    if (x <= 0) return 0x3fffffff;
    Word16 exp = norm_l(x);
    x = l_shl(x, exp);
    exp = sub(30, exp);
    if ((exp & 1) == 0) x = l_shr(x, 1);
    exp = add(shr(exp, 1), 1);
    x = l_shr(x, 9);
    const Word16 i = sub(extract_h(x), 16);
    const Word16 a = static_cast<Word16>(extract_l(l_shr(x, 1)) & 0x7fff);
    return l_shr(interpolate(inv_sqrt_table, i, a), exp);
}

}  // namespace vox::g729
