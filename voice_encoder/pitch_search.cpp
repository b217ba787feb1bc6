#include "voice_encoder/pitch_search.h"

#include <algorithm>

#include "voice_encoder/exact_sums.h"
#include "voice_encoder/pitch_interpolation.h"
#include "voice_encoder/pitch_open_loop.h"

namespace vox::g729 {

DelayRange first_subframe_range(Word16 open_loop_delay) {
    Word16 lo = std::max(sub(open_loop_delay, 3), kDelayMin);
    Word16 hi = add(lo, 6);
    if (hi > kDelayMax) {
        hi = kDelayMax;
        lo = sub(hi, 6);
    }
    return {lo, hi};
}

PitchDelay search_pitch(Word16* exc, const Word16 xn[kSubframe], const Word16 h[kSubframe],
                        DelayRange range, bool first_subframe) {
    Word16 d[kSubframe];
    correlate_with_impulse_response(h, xn, d);

    // every candidate's correlation is bounded by the energies of d and of
    // the past excitation the candidates span
    const int span = range.max - range.min + kSubframe;
    const bool exact = products_fit(energy_of(d, kSubframe), energy_of(exc - range.max, span));
    Word32 best = kMin32;
    Word16 t0 = range.min;
    for (Word16 t = range.min; t <= range.max; ++t) {
        const Word32 c =
            exact ? exact_mac(0, d, exc - t, kSubframe) : dot_product(d, exc - t, kSubframe);
        if (l_sub(c, best) > 0) {
            best = c;
            t0 = t;
        }
    }

    interpolate_past_excitation(exc, t0, 0, kSubframe);
    best = dot_product(d, exc, kSubframe);
    PitchDelay chosen{t0, 0};
    if (first_subframe && t0 > 84) return chosen;

    Word16 kept[kSubframe];
    std::copy(exc, exc + kSubframe, kept);
    interpolate_past_excitation(exc, t0, -1, kSubframe);
    Word32 c = dot_product(d, exc, kSubframe);
    if (l_sub(c, best) > 0) {
        best = c;
        chosen.fraction = -1;
        std::copy(exc, exc + kSubframe, kept);
    }
    interpolate_past_excitation(exc, t0, 1, kSubframe);
    c = dot_product(d, exc, kSubframe);
    if (l_sub(c, best) > 0) {
        chosen.fraction = 1;
    } else {
        std::copy(kept, kept + kSubframe, exc);
    }
    return chosen;
}

Word16 encode_first_delay(PitchDelay d, DelayRange& second_range) {
    const Word16 index = d.integer <= 85
                             ? add(sub(static_cast<Word16>(3 * d.integer), 58), d.fraction)
                             : add(d.integer, 112);
    Word16 lo = std::max(sub(d.integer, 5), kDelayMin);
    Word16 hi = add(lo, 9);
    if (hi > kDelayMax) {
        hi = kDelayMax;
        lo = sub(hi, 9);
    }
    second_range = {lo, hi};
    return index;
}

Word16 encode_second_delay(PitchDelay d, DelayRange range) {
    const Word16 i = sub(d.integer, range.min);
    return add(add(static_cast<Word16>(3 * i), 2), d.fraction);
}

Word16 encode_second_delay_4bit(PitchDelay d, DelayRange range) {
    const Word16 i = sub(d.integer, range.min);
    if (i < 3) return i;
    if (i < 7) return static_cast<Word16>(3 * (i - 3) + d.fraction + 3);
    return static_cast<Word16>(i + 6);
}

PitchDelay decode_second_delay_4bit(Word16 index, DelayRange range) {
    if (index <= 3) return {add(range.min, index), 0};
    if (index >= 12) return {add(range.min, sub(index, 6)), 0};
    // index 4 is range start + 3 1/3, each further index a third more
    const int thirds = 3 * 3 + 1 + (index - 4);
    const int whole = (thirds + 1) / 3;
    return {add(range.min, static_cast<Word16>(whole)), static_cast<Word16>(thirds - 3 * whole)};
}

Word16 delay_parity(Word16 index) {
    Word16 sum = 1;
    for (int bit = 2; bit <= 7; ++bit) sum = static_cast<Word16>(sum + ((index >> bit) & 1));
    return static_cast<Word16>(sum & 1);
}

namespace {

// Normalised scalar product <a,b> with its exponent. When the product
// saturates it is taken again on the scaled operands, whose extra exponent is
// scale_exp.
struct Normalised {
    Word16 value;
    Word16 exp;
};

Normalised scaled_product(const Word16* a, const Word16* b, const Word16* a_scaled,
                          const Word16* b_scaled, Word32 start, Word16 scale_exp) {
    bool overflow = false;
    Word32 s = start;
    for (int i = 0; i < kSubframe; ++i) s = l_mac(s, a[i], b[i], overflow);
    Word16 extra = 0;
    if (overflow) {
        s = start;
        for (int i = 0; i < kSubframe; ++i) s = l_mac(s, a_scaled[i], b_scaled[i]);
        extra = scale_exp;
    }
    const Word16 e = norm_l(s);
    return {round16(l_shl(s, e)), sub(e, extra)};
}

}  // namespace

Word16 pitch_gain(const Word16 xn[kSubframe], const Word16 y1[kSubframe], PitchCorrelations& c) {
    Word16 y_scaled[kSubframe];  // y1 / 4
    for (int i = 0; i < kSubframe; ++i) y_scaled[i] = shr(y1[i], 2);
    const Normalised yy = scaled_product(y1, y1, y_scaled, y_scaled, 1, 4);  // 1: never zero
    const Normalised xy = scaled_product(xn, y1, xn, y_scaled, 0, 2);

    c.yy = yy.value;
    c.yy_exp = sub(15, yy.exp);
    c.xy = xy.value;
    c.xy_exp = sub(15, xy.exp);
    if (xy.value <= 0) {
        c.xy_exp = -15;
        return 0;
    }
    Word16 gain = div_s(shr(xy.value, 1), yy.value);
    gain = shr(gain, sub(xy.exp, yy.exp));
    return std::min<Word16>(gain, 19661);  // 1.2 in Q14
}

}  // namespace vox::g729
