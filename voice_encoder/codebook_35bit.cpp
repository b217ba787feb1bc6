#include "voice_encoder/codebook_35bit.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "voice_encoder/codebook_common.h"
#include "voice_encoder/dsp_math.h"
#include "voice_encoder/exact_sums.h"
#include "voice_encoder/tables.h"
#include "voice_encoder/target_correlation.h"

namespace vox::g729 {

namespace {

constexpr int kTracks = 5;
constexpr int kPositions = 8;  // per track
constexpr int kPulses = 10;
constexpr int kStarts = 3;  // track pairs the depth-first search starts from

int track_of(int position) {
    return position % kTracks;
}
int slot_of(int position) {
    return position / kTracks;
}

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
    Word32 s = 0;
    for (int i = 0; i < kSubframe; ++i) s = l_mac(s, v[i], v[i]);
    if (s < 512) s = 512;
    return extract_h(l_shl(inv_sqrt(s), 5));
}

// Each position's pulse sign, from the sum of the normalised residual and
// correlation; d becomes sign-free. Per track, the position where that sum
// is largest, and how large it is.
struct SignChoice {
    Word16 sign[kSubframe];     // +1 (32767) or -1 (-32768), Q15
    Word16 inverse[kSubframe];  // the opposite sign
    int strongest[kTracks];
    Word32 strength[kTracks];
};

SignChoice choose_signs(const Word16 cn[kSubframe], Word16 d[kSubframe]) {
    const Word16 k_cn = mult(inverse_norm(cn), 32767);
    const Word16 k_dn = inverse_norm(d);
    SignChoice c{};
    for (int t = 0; t < kTracks; ++t) {
        Word32 largest = -1;
        for (int i = t; i < kSubframe; i += kTracks) {
            const Word32 s = l_mac(l_mult(k_cn, cn[i]), k_dn, d[i]);
            if (s >= 0) {
                c.sign[i] = 32767;
                c.inverse[i] = -32768;
            } else {
                c.sign[i] = -32768;
                c.inverse[i] = 32767;
                d[i] = negate(d[i]);
            }
            if (l_abs(s) > largest) {
                largest = l_abs(s);
                c.strongest[t] = i;
            }
        }
        c.strength[t] = largest;
    }
    return c;
}

// The largest magnitude among n values.
std::int32_t largest_magnitude(const Word16* v, int n) {
    std::int32_t m = 0;
    for (int k = 0; k < n; ++k) m = std::max(m, std::abs(std::int32_t{v[k]}));
    return m;
}

// The impulse response scaled for precision, and its correlations that the
// search needs: the energy of a pulse at each position, and the signed
// correlation of pulses on neighbouring tracks t and t + 1 (mod 5).
struct TrackCorrelations {
    Word16 h[kSubframe];
    Word16 h_negated[kSubframe];
    Word16 energy[kTracks][kPositions];
    Word16 neighbour[kTracks][kPositions * kPositions];  // [t][slot on t * 8 + slot on t + 1]
    std::int32_t neighbour_reach[kTracks];               // largest |neighbour[t][..]|
    std::int32_t d_reach[kTracks];                       // largest |d| on the track
};

// Where the correlation of the pulse pair (slot i on track t, slot j on track
// t + 1) lies among the partial sums below: its lag, and the last index of its
// sum (the later pulse sees the response's first 40 - position samples).
struct NeighbourSum {
    std::uint8_t lag;
    std::uint8_t last;
};
struct NeighbourSums {
    NeighbourSum at[kTracks][kPositions * kPositions];
};
constexpr NeighbourSums kNeighbourSums = [] {
    NeighbourSums sums{};
    for (int t = 0; t < kTracks; ++t) {
        for (int i = 0; i < kPositions; ++i) {
            for (int j = 0; j < kPositions; ++j) {
                const int px = t + kTracks * i;
                const int py = (t + 1) % kTracks + kTracks * j;
                const int later = px > py ? px : py;
                sums.at[t][i * kPositions + j] = {
                    static_cast<std::uint8_t>(px > py ? px - py : py - px),
                    static_cast<std::uint8_t>(kSubframe - 1 - later)};
            }
        }
    }
    return sums;
}();

void correlate_tracks(const Word16 response[kSubframe], const SignChoice& c, TrackCorrelations& r) {
    // h scaled so that its energy comes to about 1/8
    Word32 energy = 0;
    for (int i = 0; i < kSubframe; ++i) energy = l_mac(energy, response[i], response[i]);
    const Word16 shift = shr(norm_l(energy), 1);
    energy = l_shr(l_shl(energy, add(shift, shift)), 12);
    const Word16 factor = extract_h(l_shl(inv_sqrt(energy), 8));
    for (int i = 0; i < kSubframe; ++i) {
        r.h[i] = mult(shl(response[i], shift), factor);
        r.h_negated[i] = negate(r.h[i]);
    }

    // a pulse at p sees the response's first 40 - p samples; no sum below
    // saturates when the energy does not (the other lags are bounded by it)
    const bool exact = 0x10000 + 2 * energy_of(r.h, kSubframe) <= kMax32;
    Word32 acc = 0x10000;  // rounding
    for (int n = 0; n < kSubframe; ++n) {
        acc = exact ? acc + 2 * r.h[n] * r.h[n] : l_mac(acc, r.h[n], r.h[n]);
        const int p = kSubframe - 1 - n;
        r.energy[track_of(p)][slot_of(p)] = shr(extract_h(acc), 1);
    }

    // partial[lag][n]: rounded sum of h[k] h[k + lag] for k = 0..n; the
    // neighbouring tracks meet at lags 1, 4, 6, 9, .. only
    Word16 partial[kSubframe][kSubframe];
    for (int lag = 1; lag < kSubframe; ++lag) {
        if (lag % kTracks != 1 && lag % kTracks != kTracks - 1) continue;
        acc = 0x8000;
        for (int n = 0; n + lag < kSubframe; ++n) {
            acc = exact ? acc + 2 * r.h[n] * r.h[n + lag] : l_mac(acc, r.h[n], r.h[n + lag]);
            partial[lag][n] = extract_h(acc);
        }
    }
    for (int t = 0; t < kTracks; ++t) {
        const int u = (t + 1) % kTracks;
        // the signs of track u's positions side by side, so that each row
        // of products below is one vector operation
        Word16 sign_y[kPositions];
        Word16 inverse_y[kPositions];
        for (int j = 0; j < kPositions; ++j) {
            sign_y[j] = c.sign[u + kTracks * j];
            inverse_y[j] = c.inverse[u + kTracks * j];
        }
        Word16 unsigned_pair[kPositions * kPositions];
        for (int k = 0; k < kPositions * kPositions; ++k) {
            const NeighbourSum& at = kNeighbourSums.at[t][k];
            unsigned_pair[k] = partial[at.lag][at.last];
        }
        for (int i = 0; i < kPositions; ++i) {
            const Word16* sign_of_pair = c.sign[t + kTracks * i] < 0 ? inverse_y : sign_y;
            const Word16* row = unsigned_pair + i * kPositions;
            for (int j = 0; j < kPositions; ++j)
                r.neighbour[t][i * kPositions + j] = mult(row[j], sign_of_pair[j]);
        }
        r.neighbour_reach[t] = largest_magnitude(r.neighbour[t], kPositions * kPositions);
    }
}

// Correlation of every position of a track with the pulses fixed so far
// (their responses summed in `fixed`, which is followed by kSubframe zeros),
// plus the position's own energy. `exact` when the energies of h and `fixed`
// prove that no sum saturates; the exact sums then run over all of h, the
// zeros after `fixed` giving every position the same length.
void correlate_with_fixed(const TrackCorrelations& r, const SignChoice& c,
                          const Word16 fixed[2 * kSubframe], bool exact, int track,
                          Word16 out[kPositions]) {
    for (int i = 0; i < kPositions; ++i) {
        const int p = track + kTracks * i;
        Word32 s = 0;
        if (exact) {
            s = exact_mac(0, r.h, fixed + p, kSubframe);
        } else {
            for (int j = p; j < kSubframe; ++j) s = l_mac(s, r.h[j - p], fixed[j]);
        }
        out[i] = add(mult(round16(s), c.sign[p]), r.energy[track][i]);
    }
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
    Word16 d_y[kPositions];
    for (int j = 0; j < kPositions; ++j) d_y[j] = d[ty + kTracks * j];
    // The largest terms the candidates of track y add: where they cannot
    // take a sum past 16 bits, the saturating operators reduce to plain ones.
    const std::int32_t d_reach = r.d_reach[ty];
    const std::int32_t alp_reach = largest_magnitude(cor_y, kPositions) + r.neighbour_reach[tx];
    Word16 best_sq = -1;
    Word16 best_alp = 1;
    for (int i = 0; i < kPositions; ++i) {
        const int x = tx + kTracks * i;
        const Word16 ps1 = add(s.ps, d[x]);
        const Word16 alp1 = add(s.alp, cor_x[i]);
        const Word16* neighbour = r.neighbour[tx] + i * kPositions;
        // every candidate's terms first, which the vectoriser packs; then
        // the comparisons in position order
        Word16 sq[kPositions];
        Word16 alp2[kPositions];
        if (std::abs(std::int32_t{ps1}) + d_reach <= kMax16 &&
            std::abs(std::int32_t{alp1}) + alp_reach <= kMax16) {
#pragma GCC unroll 1
            for (int j = 0; j < kPositions; ++j) {
                const std::int32_t ps2 = ps1 + d_y[j];
                alp2[j] = static_cast<Word16>(alp1 + cor_y[j] + neighbour[j]);
                sq[j] = static_cast<Word16>((ps2 * ps2) >> 15);
            }
        } else {
            for (int j = 0; j < kPositions; ++j) {
                const Word16 ps2 = add(ps1, d_y[j]);
                alp2[j] = add(alp1, add(cor_y[j], neighbour[j]));
                sq[j] = mult(ps2, ps2);
            }
        }
        // mostly none of the eight beats the best so far
        if (!any_improves(sq, alp2, best_sq, best_alp)) continue;
        int found = -1;
        for (int j = 0; j < kPositions; ++j) {
            if (improves_criterion(sq[j], alp2[j], best_sq, best_alp)) {
                best_sq = sq[j];
                best_alp = alp2[j];
                found = ty + kTracks * j;
            }
        }
        if (found >= 0) {
            s.x = x;
            s.y = found;
        }
    }
    s.ps = add(s.ps, add(d[s.x], d[s.y]));
    s.alp = best_alp;
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
    const std::int64_t h_energy = energy_of(r.h, kSubframe);
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
        s.alp = add(add(r.energy[t0][slot_of(s.x)], r.energy[t1][slot_of(s.y)]),
                    r.neighbour[t0][slot_of(s.x) * kPositions + slot_of(s.y)]);
        int pos[kPulses];
        pos[0] = s.x;
        pos[1] = s.y;

        Word16 fixed[2 * kSubframe] = {};  // the second half stays zero
        for (int stage = 2; stage < kPulses; stage += 2) {
            const Word16* hx = c.sign[s.x] < 0 ? r.h_negated : r.h;
            const Word16* hy = c.sign[s.y] < 0 ? r.h_negated : r.h;
            // the last pair's responses, summed first as one term
            Word16 pair[kSubframe] = {};
            std::copy(hx, hx + kSubframe - s.x, pair + s.x);
            for (int i = s.y; i < kSubframe; ++i) pair[i] = add(pair[i], hy[i - s.y]);
            for (int i = 0; i < kSubframe; ++i) fixed[i] = add(fixed[i], pair[i]);
            const int tx = ten_pulse_track_order[k + stage];
            const int ty = ten_pulse_track_order[k + stage + 1];
            const bool exact = products_fit(h_energy, energy_of(fixed, kSubframe));
            Word16 cor_x[kPositions];
            Word16 cor_y[kPositions];
            correlate_with_fixed(r, c, fixed, exact, tx, cor_x);
            correlate_with_fixed(r, c, fixed, exact, ty, cor_y);
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

CodebookIndex35 search_codebook_35bit(const Word16 x[kSubframe],
                                      const Word16 ltp_residual[kSubframe], Word16 h[kSubframe],
                                      Word16 t0, Word16 sharpening, Word16 code[kSubframe],
                                      Word16 y[kSubframe]) {
    if (t0 < kSubframe) sharpen_with_pitch(h, t0, sharpening);
    Word16 d[kSubframe];
    correlate_normalised(h, x, d);
    const SignChoice c = choose_signs(ltp_residual, d);
    TrackCorrelations r;
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
