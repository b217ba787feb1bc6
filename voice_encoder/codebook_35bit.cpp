#include "voice_encoder/codebook_35bit.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "voice_encoder/codebook_35bit_correlations.h"
#include "voice_encoder/codebook_35bit_pairs.h"
#include "voice_encoder/codebook_common.h"
#include "voice_encoder/dsp_math.h"
#include "voice_encoder/exact_sums.h"
#include "voice_encoder/tables.h"
#include "voice_encoder/target_correlation.h"

namespace vox::g729 {

namespace {

using namespace ten_pulse;

constexpr int kPulses = 10;
constexpr int kStarts = 3;  // track pairs the depth-first search starts from

// d[n] = sum x[j] h[j-n], normalised by the sum of the track maxima so that
// the ten-pulse correlation sum cannot saturate.
void correlate_normalised(const Word16 h[kSubframe], const Word16 x[kSubframe],
                          Word16 d[kSubframe]) {
    Word32 y[kSubframe];
    backward_correlation(h, x, y);
    Word32 total = 5;
    for (int t = 0; t < kTracks; ++t) {
        Word32 largest = 0;
        for (int i = t; i < kSubframe; i += kTracks)
            if (l_abs(y[i]) > largest) largest = l_abs(y[i]);
        total = l_add(total, l_shr(largest, 1));
    }
    const Word16 shift = sub(norm_l(total), 2);
    for (int i = 0; i < kSubframe; ++i) d[i] = round16(l_shl(y[i], shift));
}

// 1 / sqrt of the vector's energy (at least 512), Q15 scaled by 2^-11.
Word16 inverse_norm(const Word16 v[kSubframe]) {
    const Word32 s = std::max(saturating_energy(v, kSubframe), Word32{512});
    return extract_h(l_shl(inv_sqrt(s), 5));
}

// Each position's pulse sign, from the sum of the normalised residual and
// correlation; d becomes sign-free. Per track, the position where that sum
// is largest, and how large it is.
SignChoice choose_signs(const Word16 cn[kSubframe], Word16 d[kSubframe]) {
    const Word16 k_cn = mult(inverse_norm(cn), 32767);
    const Word16 k_dn = inverse_norm(d);
    SignChoice c{};
    // selects, not branches: the signs are anyone's guess
    Word32 sum[kSubframe];
    for (int i = 0; i < kSubframe; ++i) {
        sum[i] = l_mac(l_mult(k_cn, cn[i]), k_dn, d[i]);
        const bool negative = sum[i] < 0;
        c.sign[i] = negative ? kMin16 : kMax16;
        c.inverse[i] = negative ? kMax16 : kMin16;
        d[i] = negative ? negate(d[i]) : d[i];
    }
    for (int t = 0; t < kTracks; ++t) {
        Word32 largest = -1;
        for (int i = t; i < kSubframe; i += kTracks) {
            const Word32 size = l_abs(sum[i]);
            const bool stronger = size > largest;
            largest = stronger ? size : largest;
            c.strongest[t] = stronger ? i : c.strongest[t];
        }
        c.strength[t] = largest;
    }
    return c;
}

// Running state of one depth-first pass: the correlation and the energy of
// the pulses fixed so far, and the last pair fixed.
struct PassState {
    Word16 ps;
    Word16 alp;
    int x;
    int y;
};

// Best pair of positions on neighbouring tracks tx and tx + 1 given the fixed
// pulses. Where no pair improves on the start, the last pair stays.
void search_pair(int tx, int ty, const Word16 d[kSubframe], const Word16 cor_x[kPositions],
                 const Word16 cor_y[kPositions], const TrackCorrelations& r, PassState& s) {
    Word16 d_x[kPositions];
    Word16 d_y[kPositions];
    for (int j = 0; j < kPositions; ++j) {
        d_x[j] = d[tx + kTracks * j];
        d_y[j] = d[ty + kTracks * j];
    }
    PairCandidates c;
    // Where no term can take a sum past 16 bits, the saturating operators
    // reduce to plain ones, which the vectoriser packs.
    const bool plain = std::abs(std::int32_t{s.ps}) + r.d_reach[tx] + r.d_reach[ty] <= kMax16 &&
                       std::abs(std::int32_t{s.alp}) + largest_magnitude(cor_x, kPositions) +
                               largest_magnitude(cor_y, kPositions) + r.neighbour_reach[tx] <=
                           kMax16;
    const Word16* neighbour = r.neighbour[tx];
    if (plain) {
        for (int i = 0; i < kPositions; ++i) {
            const std::int32_t ps1 = s.ps + d_x[i];
            const std::int32_t alp1 = s.alp + cor_x[i];
#pragma GCC unroll 1
            for (int j = 0; j < kPositions; ++j) {
                // 16 bits hold the sum, and its square is a 16-bit product
                const auto ps2 = static_cast<Word16>(ps1 + d_y[j]);
                c.sq[i][j] = static_cast<Word16>((std::int32_t{ps2} * ps2) >> 15);
                c.alp[i][j] = static_cast<Word16>(alp1 + cor_y[j] + neighbour[i * kPositions + j]);
            }
        }
    } else {
        for (int i = 0; i < kPositions; ++i) {
            const Word16 ps1 = add(s.ps, d_x[i]);
            const Word16 alp1 = add(s.alp, cor_x[i]);
            for (int j = 0; j < kPositions; ++j) {
                const Word16 ps2 = add(ps1, d_y[j]);
                c.sq[i][j] = mult(ps2, ps2);
                c.alp[i][j] = add(alp1, add(cor_y[j], neighbour[i * kPositions + j]));
            }
        }
    }
    const std::optional<PairChoice> by_ratio = choose_largest_ratio(c);
    const PairChoice choice = by_ratio ? *by_ratio : choose_in_scan_order(c);
    if (choice.found) {
        s.x = tx + kTracks * choice.slot_x;
        s.y = ty + kTracks * choice.slot_y;
    }
    s.alp = choice.alp;
    s.ps = add(s.ps, add(d[s.x], d[s.y]));
}

// The three neighbouring track pairs with the strongest sign-choice maxima.
void starting_tracks(const SignChoice& c, int starts[kStarts]) {
    Word32 pair[kTracks];
    for (int t = 0; t < kTracks; ++t) pair[t] = l_add(c.strength[t], c.strength[(t + 1) % kTracks]);
    for (int k = 0; k < kStarts; ++k) {
        int best = 0;
        for (int t = 1; t < kTracks; ++t) {
            if (l_sub(pair[t], pair[best]) > 0) best = t;
        }
        pair[best] = -1;
        starts[k] = best;
    }
}

// Depth-first search (Annex E): from each starting pair of tracks, two pulses
// at the tracks' strongest positions, then four stages that each place the
// best pair on the next two tracks; the best of the passes wins.
void search_pulses(const Word16 d[kSubframe], const TrackCorrelations& r, const SignChoice& c,
                   int best[kPulses]) {
    int starts[kStarts];
    starting_tracks(c, starts);
    Word16 best_sq = -1;
    Word16 best_alp = 1;
    for (int k = 0; k < kPulses; ++k) best[k] = k;
    for (const int k : starts) {
        const int t0 = ten_pulse_track_order[k];
        const int t1 = ten_pulse_track_order[k + 1];
        PassState s{};
        s.x = c.strongest[t0];
        s.y = c.strongest[t1];
        s.ps = add(d[s.x], d[s.y]);
        s.alp = add(add(r.energy[s.x], r.energy[s.y]),
                    r.neighbour[t0][slot_of(s.x) * kPositions + slot_of(s.y)]);
        int pos[kPulses];
        pos[0] = s.x;
        pos[1] = s.y;

        FixedPulses fixed(r, c);
        for (int stage = 2; stage < kPulses; stage += 2) {
            fixed.add_pair(s.x, s.y);
            const int tx = ten_pulse_track_order[k + stage];
            const int ty = ten_pulse_track_order[k + stage + 1];
            Word16 cor_x[kPositions];
            Word16 cor_y[kPositions];
            fixed.correlate(tx, cor_x);
            fixed.correlate(ty, cor_y);
            search_pair(tx, ty, d, cor_x, cor_y, r, s);
            pos[stage] = s.x;
            pos[stage + 1] = s.y;
        }

        const Word16 sq = mult(s.ps, s.ps);
        if (improves_criterion(sq, s.alp, best_sq, best_alp)) {
            best_sq = sq;
            best_alp = s.alp;
            for (int i = 0; i < kPulses; ++i) best[i] = pos[i];
        }
    }
}

// Index of one pulse: position / 5 in bits 0-2, bit 3 set when negative.
Word16 pulse_index(const Pulse& p) {
    return static_cast<Word16>(slot_of(p.position) + (p.positive ? 0 : 8));
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

CodebookIndex35 TenPulseSearch::search(const Word16 x[kSubframe],
                                       const Word16 ltp_residual[kSubframe], Word16 h[kSubframe],
                                       Word16 t0, Word16 sharpening, Word16 code[kSubframe],
                                       Word16 y[kSubframe]) {
    if (t0 < kSubframe) sharpen_with_pitch(h, t0, sharpening);
    Word16 d[kSubframe];
    correlate_normalised(h, x, d);
    const SignChoice c = choose_signs(ltp_residual, d);
    TrackCorrelations& r = correlations_;
    correlate_tracks(h, c, r);
    for (int t = 0; t < kTracks; ++t) {
        Word16 d_track[kPositions];
        for (int i = 0; i < kPositions; ++i) d_track[i] = d[t + kTracks * i];
        r.d_reach[t] = largest_magnitude(d_track, kPositions);
    }
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
        const int t = track_of(p.position);
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
