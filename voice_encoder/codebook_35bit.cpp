#include "voice_encoder/codebook_35bit.h"

#include "voice_encoder/codebook_common.h"
#include "voice_encoder/dsp_math.h"
#include "voice_encoder/tables.h"

namespace vox::g729 {

namespace {

constexpr int kTracks = 5;
constexpr int kPulses = 10;

// d[n] = sum x[j] h[j-n], normalised by the sum of the track maxima so that
// the ten-pulse correlation sum cannot saturate.
void correlate_normalised(const Word16 h[kSubframe], const Word16 x[kSubframe],
                          Word16 d[kSubframe]) {
    Word32 y[kSubframe];
    Word32 total = 5;
    for (int t = 0; t < kTracks; ++t) {
        Word32 largest = 0;
        for (int i = t; i < kSubframe; i += kTracks) {
            Word32 s = 0;
            for (int j = i; j < kSubframe; ++j) s = l_mac(s, x[j], h[j - i]);
            y[i] = s;
            if (l_abs(s) > largest) largest = l_abs(s);
        }
        total = l_add(total, l_shr(largest, 1));
    }
    const Word16 shift = sub(norm_l(total), 2);
    for (int i = 0; i < kSubframe; ++i) d[i] = round16(l_shl(y[i], shift));
}

// Signs from the normalised sum of residual and correlation; makes d
// sign-free, and gives each track's best position and the best track.
struct SignChoice {
    Word16 sign[kSubframe];
    int best_position[kTracks];
    int best_track;
};

SignChoice choose_signs(const Word16 cn[kSubframe], Word16 d[kSubframe]) {
    Word32 s = 256;
    for (int i = 0; i < kSubframe; ++i) s = l_mac(s, cn[i], cn[i]);
    const Word16 k_cn = extract_h(l_shl(inv_sqrt(s), 5));
    s = 256;
    for (int i = 0; i < kSubframe; ++i) s = l_mac(s, d[i], d[i]);
    const Word16 k_dn = extract_h(l_shl(inv_sqrt(s), 5));

    SignChoice c{};
    Word16 strength[kSubframe];
    for (int i = 0; i < kSubframe; ++i) {
        Word16 cor = extract_h(l_shl(l_mac(l_mult(k_cn, cn[i]), k_dn, d[i]), 10));
        if (cor >= 0) {
            c.sign[i] = 32767;
        } else {
            c.sign[i] = -32767;
            cor = negate(cor);
            d[i] = negate(d[i]);
        }
        strength[i] = cor;
    }
    Word16 best_of_all = -1;
    for (int t = 0; t < kTracks; ++t) {
        Word16 best = -1;
        for (int j = t; j < kSubframe; j += kTracks) {
            if (strength[j] > best) {
                best = strength[j];
                c.best_position[t] = j;
            }
        }
        if (best > best_of_all) {
            best_of_all = best;
            c.best_track = t;
        }
    }
    return c;
}

// Depth-first search of pulse pairs (Annex E): pulses 0 and 1 fixed at track
// maxima, then pairs (2,3), (4,5), (6,7), (8,9), each pair searched over all
// 64 position combinations of its two tracks; repeated for four rotations of
// the track order.
void search_pulses(const Word16 d[kSubframe], const CorrelationMatrix& r, const SignChoice& c,
                   int best[kPulses]) {
    int order[kPulses];
    for (int k = 0; k < kPulses; ++k) order[k] = ten_pulse_track_order[c.best_track + k];

    // Per pair stage: weights of the diagonal, the cross terms with earlier
    // pulses, and the partial-energy vector, as powers of two (Q15 factors).
    struct Stage {
        Word16 diag_b, cross_b, vector_weight;  // terms of the second pulse (vector rrv)
        Word16 diag_a, cross_a, pair;           // terms of the first pulse and the pair
    };
    static constexpr Stage kStages[4] = {
        {4096, 8192, 16384, 2048, 4096, 4096},  // pulses 2, 3
        {4096, 8192, 8192, 1024, 2048, 2048},   // pulses 4, 5
        {2048, 4096, 8192, 512, 1024, 1024},    // pulses 6, 7
        {2048, 4096, 4096, 256, 512, 512},      // pulses 8, 9
    };

    Word16 best_sq = -1;
    Word16 best_alp = 1;
    for (int k = 0; k < kPulses; ++k) best[k] = k;
    for (int rotation = 1; rotation < kTracks; ++rotation) {
        int pos[kPulses];
        pos[0] = c.best_position[order[0]];
        pos[1] = c.best_position[order[1]];
        Word16 ps = add(d[pos[0]], d[pos[1]]);
        Word32 alp0 = l_mult(r[pos[0]][pos[0]], 2048);
        alp0 = l_mac(alp0, r[pos[1]][pos[1]], 2048);
        alp0 = l_mac(alp0, r[pos[0]][pos[1]], 4096);
        Word16 sq = -1;
        Word16 alp = 1;
        for (int stage = 0; stage < 4; ++stage) {
            const Stage& w = kStages[stage];
            const int first = 2 + 2 * stage;
            const int ta = order[first];
            const int tb = order[first + 1];
            if (stage > 0) alp0 = l_mult(alp, 16384);
            Word16 rrv[kSubframe];
            for (int j = tb; j < kSubframe; j += kTracks) {
                Word32 s = l_mult(r[j][j], w.diag_b);
                for (int k = 0; k < first; ++k) s = l_mac(s, r[pos[k]][j], w.cross_b);
                rrv[j] = round16(s);
            }
            const Word16 ps0 = ps;
            sq = -1;
            alp = 1;
            int ia = ta;
            int ib = tb;
            for (int i = ta; i < kSubframe; i += kTracks) {
                const Word16 ps1 = add(ps0, d[i]);
                Word32 alp1 = l_mac(alp0, r[i][i], w.diag_a);
                for (int k = 0; k < first; ++k) alp1 = l_mac(alp1, r[pos[k]][i], w.cross_a);
                for (int j = tb; j < kSubframe; j += kTracks) {
                    const Word16 ps2 = add(ps1, d[j]);
                    Word32 alp2 = l_mac(alp1, rrv[j], w.vector_weight);
                    alp2 = l_mac(alp2, r[i][j], w.pair);
                    const Word16 sq2 = mult(ps2, ps2);
                    const Word16 alp16 = round16(alp2);
                    if (improves_criterion(sq2, alp16, sq, alp)) {
                        sq = sq2;
                        ps = ps2;
                        alp = alp16;
                        ia = i;
                        ib = j;
                    }
                }
            }
            pos[first] = ia;
            pos[first + 1] = ib;
        }
        if (improves_criterion(sq, alp, best_sq, best_alp)) {
            best_sq = sq;
            best_alp = alp;
            for (int k = 0; k < kPulses; ++k) best[k] = pos[k];
        }
        // rotate the tracks of pulses 1..9
        const int moved = order[1];
        for (int k = 1; k < kPulses - 1; ++k) order[k] = order[k + 1];
        order[kPulses - 1] = moved;
    }
}

// Index of one pulse: position / 5 in bits 0-2, bit 3 set when negative.
Word16 pulse_index(const Pulse& p) {
    return static_cast<Word16>(p.position / kTracks + (p.positive ? 0 : 8));
}

// The two pulses of a track as one word. With equal signs the smaller index
// comes first (high nibble); with different signs the larger position does.
Word16 track_word(Word16 a, Word16 b) {
    const bool same_sign = ((a ^ b) & 8) == 0;
    const bool a_high = same_sign ? a <= b : (a & 7) > (b & 7);
    const Word16 word =
        a_high ? static_cast<Word16>((a << 4) + b) : static_cast<Word16>((b << 4) + a);
    return static_cast<Word16>(word & 127);  // the high nibble's sign is implied
}

}  // namespace

CodebookIndex35 search_codebook_35bit(const Word16 x[kSubframe],
                                      const Word16 ltp_residual[kSubframe], Word16 h[kSubframe],
                                      Word16 t0, Word16 sharpening, Word16 code[kSubframe],
                                      Word16 y[kSubframe]) {
    if (t0 < kSubframe) sharpen_with_pitch(h, t0, sharpening);
    Word16 d[kSubframe];
    correlate_normalised(h, x, d);
    const SignChoice c = choose_signs(ltp_residual, d);
    CorrelationMatrix r;
    signed_correlation_matrix(h, c.sign, r);
    int best[kPulses];
    search_pulses(d, r, c, best);

    Pulse pulses[kPulses];
    for (int k = 0; k < kPulses; ++k) {
        pulses[k] = {static_cast<Word16>(best[k]), c.sign[best[k]] > 0};
    }
    build_code_vector(pulses, kPulses, kHalfPulse, h, code, y);
    if (t0 < kSubframe) sharpen_with_pitch(code, t0, sharpening);

    CodebookIndex35 index{};
    Word16 first_of_track[kTracks] = {-1, -1, -1, -1, -1};
    for (const Pulse& p : pulses) {
        const int t = p.position % kTracks;
        const Word16 i = pulse_index(p);
        if (first_of_track[t] < 0) {
            first_of_track[t] = i;
        } else {
            index.words[t] = track_word(first_of_track[t], i);
        }
    }
    return index;
}

}  // namespace vox::g729
