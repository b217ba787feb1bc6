#include "voice_encoder/gain_quantiser.h"

#include <algorithm>

#include "voice_encoder/tables.h"

namespace vox::g729 {

struct GainCodebook {
    const Word16 (*first)[2];   // GA: (adaptive gain Q14, fixed-gain correction)
    const Word16 (*second)[2];  // GB
    const Word16* map1;
    const Word16* map2;
    const Word16 (*coef)[2];
    const Word32 (*coef_l)[2];
    const Word16* thr1;
    const Word16* thr2;
    int size1;
    int size2;
    int candidates1;
    int candidates2;
    Word16 inv_coef;         // -1 / (coef[0][0] - coef[1][0]), Q19 or Q20
    Word16 code_gain_shift;  // aligns the unquantised code gain in the preselection
    Word16 thr1_q;           // Q of the first stage's preselection thresholds
    Word16 correction_q;     // Q of the fixed-gain correction factors in the tables
};

const GainCodebook gain_codebook_7bit{gain_codebook1,
                                      gain_codebook2,
                                      gain_map1,
                                      gain_map2,
                                      gain_coef,
                                      gain_coef_l,
                                      gain_thr1,
                                      gain_thr2,
                                      8,
                                      16,
                                      4,
                                      8,
                                      -17103,
                                      7,
                                      14,
                                      13};
const GainCodebook gain_codebook_6bit{gain_codebook1_6k,
                                      gain_codebook2_6k,
                                      gain_map1_6k,
                                      gain_map2_6k,
                                      gain_coef_6k,
                                      gain_coef_l_6k,
                                      gain_thr1_6k,
                                      gain_thr2_6k,
                                      8,
                                      8,
                                      6,
                                      6,
                                      -28940,
                                      6,
                                      13,
                                      14};

namespace {

// Sum of the two stages' fixed-gain correction factors, in the tables' Q.
Word32 correction(const GainCodebook& b, int i, int j) {
    return l_add(b.first[i][1], b.second[j][1]);
}

// The same in Q13.
Word32 correction_q13(const GainCodebook& b, int i, int j) {
    return l_shr(correction(b, i, j), static_cast<Word16>(b.correction_q - 13));
}

constexpr Word16 kTamedPitchGainQ9 = 481;     // 0.94 in Q9, unquantised bound when taming
constexpr Word16 kPitchGainBelowOne = 16383;  // 0.9999 in Q14

struct Normalised {
    Word16 value;
    Word16 exp;
};

// Normalised <a,b> + 1 with its Q: b is a Q12 vector scaled down to Q9.
Normalised product_with_scaled(const Word16* a, const Word16* b_scaled, Word16 q) {
    Word32 s = 1;
    for (int i = 0; i < kSubframe; ++i) s = l_mac(s, a[i], b_scaled[i]);
    const Word16 e = norm_l(s);
    return {round16(l_shl(s, e)), add(e, static_cast<Word16>(q - 16))};
}

// (a_hi * b_hi << ea) - (c * d << ec) aligned to the smaller exponent, then
// normalised; `halve` halves both terms first.
Normalised aligned_difference(Word32 t1, Word16 e1, Word32 t2, Word16 e2, bool halve) {
    Word32 t;
    Word16 e;
    const Word16 h = halve ? Word16{1} : Word16{0};
    if (e1 > e2) {
        t = l_sub(l_shr(t1, add(sub(e1, e2), h)), l_shr(t2, h));
        e = sub(e2, h);
    } else {
        t = l_sub(l_shr(t1, h), l_shr(t2, add(sub(e2, e1), h)));
        e = sub(e1, h);
    }
    const Word16 sft = norm_l(t);
    return {extract_h(l_shl(t, sft)), sub(add(e, sft), 16)};
}

struct Candidates {
    int first;
    int second;
};

// Preselection of the codebook entries nearest the unquantised optimum
// (3.9.2): gain_code0 is the predicted gain in Q4.
Candidates preselect(const GainCodebook& b, const Word16 best_gain[2], Word16 gcode0) {
    const Word32 cfbg = l_mult(b.coef[0][0], best_gain[0]);
    Word32 acc = l_add(cfbg, l_shr(b.coef_l[1][1], 15));
    Word32 preg = l_mult(extract_h(acc), gcode0);
    acc = l_sub(l_shl(l_deposit_l(best_gain[1]), b.code_gain_shift), preg);
    const Word32 x = l_mult(extract_h(l_shl(acc, 2)), b.inv_coef);  // Q15

    acc = l_sub(cfbg, l_shr(b.coef_l[0][1], 10));
    const Word32 tmp = l_mult(mult(extract_h(acc), gcode0), b.coef[1][0]);
    preg = l_mult(b.coef[0][0], best_gain[1]);
    acc = l_sub(tmp, l_shr(preg, 3));
    const Word32 y = l_mult(extract_h(l_shl(acc, 2)), b.inv_coef);  // Q16

    const auto shift_y = static_cast<Word16>((b.thr1_q + 4 + 1) - 16);
    constexpr Word16 kShiftX = (15 + 4 + 1) - 15;
    Candidates c{0, 0};
    const bool positive = gcode0 > 0;
    auto beyond = [positive](Word32 value, Word32 threshold) {
        const Word32 d = l_sub(value, threshold);
        return positive ? d > 0 : d < 0;
    };
    while (c.first < b.size1 - b.candidates1 &&
           beyond(y, l_shr(l_mult(b.thr1[c.first], gcode0), shift_y))) {
        ++c.first;
    }
    while (c.second < b.size2 - b.candidates2 &&
           beyond(x, l_shr(l_mult(b.thr2[c.second], gcode0), kShiftX))) {
        ++c.second;
    }
    return c;
}

}  // namespace

GainCorrelations gain_correlations(const Word16 xn[kSubframe], const Word16 y1[kSubframe],
                                   const Word16 y2[kSubframe], const PitchCorrelations& pitch) {
    GainCorrelations c{};
    c.value[0] = pitch.yy;
    c.exp[0] = negate(pitch.yy_exp);
    c.value[1] = negate(pitch.xy);
    c.exp[1] = negate(add(pitch.xy_exp, 1));

    Word16 y2_scaled[kSubframe];  // Q12 to Q9
    for (int i = 0; i < kSubframe; ++i) y2_scaled[i] = shr(y2[i], 3);
    const Normalised yy = product_with_scaled(y2_scaled, y2_scaled, 19);
    const Normalised xy = product_with_scaled(xn, y2_scaled, 10);
    const Normalised y1y2 = product_with_scaled(y1, y2_scaled, 10);
    c.value[2] = yy.value;
    c.exp[2] = yy.exp;
    c.value[3] = negate(xy.value);
    c.exp[3] = sub(xy.exp, 1);
    c.value[4] = y1y2.value;
    c.exp[4] = sub(y1y2.exp, 1);
    return c;
}

QuantisedGains quantise_gains(const GainCodebook& book, GainPredictorMemory& memory,
                              const Word16 code[kSubframe], const GainCorrelations& c, bool tame) {
    const PredictedGain predicted = predict_code_gain(memory, code, kSubframe);
    const Word16 gcode0 = predicted.mantissa;
    const Word16 exp_gcode0 = predicted.exponent;
    const Word16* g = c.value;
    const Word16* e = c.exp;

    // unquantised optimum (eq. 63 solved): -1 / (4 c0 c2 - c4^2)
    Normalised den = aligned_difference(l_mult(g[0], g[2]), add(add(e[0], e[2]), 1 - 2),
                                        l_mult(g[4], g[4]), add(add(e[4], e[4]), 1), false);
    const Word16 inv_den = negate(div_s(16384, den.value));
    const Word16 exp_inv_den = sub(14 + 15, den.exp);

    Word16 best_gain[2];
    Normalised num = aligned_difference(l_mult(g[2], g[1]), add(e[2], e[1]), l_mult(g[3], g[4]),
                                        add(add(e[3], e[4]), 1), true);
    best_gain[0] =
        extract_h(l_shr(l_mult(num.value, inv_den), sub(add(num.exp, exp_inv_den), 9 + 16 - 1)));
    if (tame && best_gain[0] > kTamedPitchGainQ9) best_gain[0] = kTamedPitchGainQ9;
    num = aligned_difference(l_mult(g[0], g[3]), add(e[0], e[3]), l_mult(g[1], g[4]),
                             add(add(e[1], e[4]), 1), true);
    best_gain[1] =
        extract_h(l_shr(l_mult(num.value, inv_den), sub(add(num.exp, exp_inv_den), 2 + 16 - 1)));

    // predicted gain in Q4 for the preselection
    const Word16 gcode0_q4 = exp_gcode0 >= 4
                                 ? shr(gcode0, sub(exp_gcode0, 4))
                                 : extract_h(l_shl(l_deposit_l(gcode0), sub(4 + 16, exp_gcode0)));
    const Candidates cand = preselect(book, best_gain, gcode0_q4);

    // align the five terms to a common exponent, in DPF; the candidates' code
    // gains carry the tables' extra bit of precision where they have one
    const Word16 extra = static_cast<Word16>(book.correction_q - 13);
    Word16 exp_min[5];
    exp_min[0] = add(e[0], 13);
    exp_min[1] = add(e[1], 14);
    exp_min[2] = add(e[2], sub(shl(exp_gcode0, 1), sub(21, shl(extra, 1))));
    exp_min[3] = add(e[3], sub(exp_gcode0, sub(3, extra)));
    exp_min[4] = add(e[4], sub(exp_gcode0, sub(4, extra)));
    const Word16 e_min = *std::min_element(exp_min, exp_min + 5);
    Dpf coeff[5];
    for (int i = 0; i < 5; ++i)
        coeff[i] = l_extract(l_shr(l_deposit_h(g[i]), sub(exp_min[i], e_min)));

    Word32 best = kMax32;
    int index1 = cand.first;
    int index2 = cand.second;
    for (int i = cand.first; i < cand.first + book.candidates1; ++i) {
        for (int j = cand.second; j < cand.second + book.candidates2; ++j) {
            const Word16 g_pitch = add(book.first[i][0], book.second[j][0]);  // Q14
            if (tame && g_pitch >= kPitchGainBelowOne) continue;
            const Word16 g_code = mult(gcode0, extract_l(l_shr(correction(book, i, j), 1)));
            Word32 dist = mpy_32_16(coeff[0], mult(g_pitch, g_pitch));
            dist = l_add(dist, mpy_32_16(coeff[1], g_pitch));
            dist = l_add(dist, mpy_32_16(coeff[2], mult(g_code, g_code)));
            dist = l_add(dist, mpy_32_16(coeff[3], g_code));
            dist = l_add(dist, mpy_32_16(coeff[4], mult(g_code, g_pitch)));
            if (l_sub(dist, best) < 0) {
                best = dist;
                index1 = i;
                index2 = j;
            }
        }
    }

    QuantisedGains q{};
    q.gain_pitch = add(book.first[index1][0], book.second[index2][0]);
    // g_c = gamma g'c in Q1 (eq. 74); gamma in Q12, or in Q13 where the table
    // carries the extra bit
    const Word16 gamma_q = static_cast<Word16>(book.correction_q - 1);
    const Word16 gamma = extract_l(l_shr(correction(book, index1, index2), 1));
    const Word32 acc = l_mult(gamma, gcode0);
    q.gain_code = extract_h(l_shl(acc, sub(sub(16, exp_gcode0), gamma_q)));
    update_gain_predictor(memory, correction_q13(book, index1, index2));
    q.index = static_cast<Word16>(book.map1[index1] * book.size2 + book.map2[index2]);
    return q;
}

}  // namespace vox::g729
