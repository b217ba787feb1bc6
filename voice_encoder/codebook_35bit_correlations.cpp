#include "voice_encoder/codebook_35bit_correlations.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "voice_encoder/dsp_math.h"
#include "voice_encoder/exact_sums.h"
#include "voice_encoder/vector_path.h"

namespace vox::g729::ten_pulse {

namespace {

// Where the correlation of the pulse pair (slot i on track t, slot j on track
// t + 1) lies among the partial sums: its lag, and the last index of its sum
// (the later pulse sees the response's first 40 - position samples).
struct NeighbourSum {
    std::uint8_t lag;
    std::uint8_t last;
    std::uint16_t offset;  // of P(lag, last) in by_length
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
                const int lag = px > py ? px - py : py - px;
                const int last = kSubframe - 1 - later;
                sums.at[t][i * kPositions + j] = {
                    static_cast<std::uint8_t>(lag), static_cast<std::uint8_t>(last),
                    static_cast<std::uint16_t>(last * kSubframe + kSubframe - 1 - lag)};
            }
        }
    }
    return sums;
}();

// The running sums advance in whole blocks of eight lanes, which the
// vectoriser maps to registers without a scalar tail; lanes outside the
// valid range add products with the zero padding, and their cells, which no
// reader takes a value from, hold what their running sum holds. Every
// subframe writes the same blocks of every row.
constexpr int kLanes = 8;
constexpr int kBlocks = kSubframe / kLanes;

// running[i] += factor * v[offset + i] for the blocks [first, end), each sum
// then stored to row[i].
[[gnu::always_inline]] inline void advance_sums(std::int32_t running[kSubframe],
                                                std::int32_t row[kSubframe], Word16 factor,
                                                const Word16* v, int offset, int first, int end) {
    for (int b = first; b < end; ++b) {
        for (int k = 0; k < kLanes; ++k) {
            const int i = b * kLanes + k;
            running[i] += factor * v[offset + i];
            row[i] = running[i];
        }
    }
}

// Both layouts of the sums of products, each row from the last by one
// product per lag. Written once for the vectoriser, which packs a block of
// eight sums in one AVX2 register or two SSE2 ones: both wrappers inline it.
[[gnu::always_inline]] inline void sum_products_body(TrackCorrelations& r) {
    // h reversed, with a block of zeros on each side
    Word16 padded[kSubframe + 2 * kLanes] = {};
    std::reverse_copy(r.h, r.h + kSubframe, padded + kLanes);
    // by_length: step n adds h[n] h[n + lag] to the sum of every lag, lag =
    // 39 - i, h[n + lag] = padded[8 + i - n]
    std::int32_t running[kSubframe] = {};
    for (int n = 0; n < kSubframe; ++n) {
        advance_sums(running, r.by_length.row(n), r.h[n], padded, kLanes - n, n / kLanes, kBlocks);
    }
    // by_end: the sums ending at m extend those ending at m - 1 by h[m] h[m
    // - lag], h[m - lag] = padded[8 + 39 - m + lag]
    std::fill(running, running + kSubframe, 0);
    for (int m = 0; m < kSubframe; ++m) {
        advance_sums(running, r.by_end.row(m), r.h[m], padded, kLanes + kSubframe - 1 - m, 0,
                     m / kLanes + 1);
    }
}

void sum_products_default(TrackCorrelations& r) {
    sum_products_body(r);
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) void sum_products_avx2(TrackCorrelations& r) {
    sum_products_body(r);
}
#endif

void sum_products(TrackCorrelations& r) {
#if defined(__x86_64__)
    if (active_vector_path() == VectorPath::avx2) return sum_products_avx2(r);
#endif
    sum_products_default(r);
}

// The pair sums as the reference's chains give them, rounded to 16 bits and
// unsigned: from the exact sums where they hold, else through l_mac.
void neighbour_pair_sums(const TrackCorrelations& r, int t, Word16 out[kPositions * kPositions]) {
    const NeighbourSum* at = kNeighbourSums.at[t];
    if (r.sums_exact) {
        const std::int32_t* sums = r.by_length.row(0);
        for (int k = 0; k < kPositions * kPositions; ++k)
            out[k] = extract_h(0x8000 + 2 * sums[at[k].offset]);
        return;
    }
    for (int k = 0; k < kPositions * kPositions; ++k) {
        Word32 acc = 0x8000;
        for (int n = 0; n <= at[k].last; ++n) acc = l_mac(acc, r.h[n], r.h[n + at[k].lag]);
        out[k] = extract_h(acc);
    }
}

}  // namespace

void correlate_tracks(const Word16 response[kSubframe], const SignChoice& c, TrackCorrelations& r) {
    // h scaled so that its energy comes to about 1/8
    Word32 energy = saturating_energy(response, kSubframe);
    const Word16 shift = shr(norm_l(energy), 1);
    energy = l_shr(l_shl(energy, add(shift, shift)), 12);
    const Word16 factor = extract_h(l_shl(inv_sqrt(energy), 8));
    for (int i = 0; i < kSubframe; ++i) {
        r.h[i] = mult(shl(response[i], shift), factor);
        r.h_negated[i] = negate(r.h[i]);
    }
    r.h_energy = energy_of(r.h, kSubframe);

    // No sum of products of h saturates when its energy does not (the
    // other lags are bounded by it); two responses added never leave 16
    // bits when no sample of h reaches half the range.
    r.sums_exact =
        0x10000 + 2 * r.h_energy <= kMax32 && 2 * largest_magnitude(r.h, kSubframe) <= kMax16;
    if (r.sums_exact) {
        sum_products(r);
        for (int n = 0; n < kSubframe; ++n) {
            const int p = kSubframe - 1 - n;
            r.energy[p] = shr(extract_h(0x10000 + 2 * r.by_length.row(n)[kSubframe - 1]), 1);
        }
    } else {
        // a pulse at p sees the response's first 40 - p samples
        Word32 acc = 0x10000;  // rounding
        for (int n = 0; n < kSubframe; ++n) {
            acc = l_mac(acc, r.h[n], r.h[n]);
            const int p = kSubframe - 1 - n;
            r.energy[p] = shr(extract_h(acc), 1);
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
        neighbour_pair_sums(r, t, unsigned_pair);
        for (int i = 0; i < kPositions; ++i) {
            const Word16* sign_of_pair = c.sign[t + kTracks * i] < 0 ? inverse_y : sign_y;
            const Word16* row = unsigned_pair + i * kPositions;
            for (int j = 0; j < kPositions; ++j)
                r.neighbour[t][i * kPositions + j] = mult(row[j], sign_of_pair[j]);
        }
        r.neighbour_reach[t] = largest_magnitude(r.neighbour[t], kPositions * kPositions);
    }
}

FixedPulses::FixedPulses(const TrackCorrelations& r, const SignChoice& c)
    : r_(r), c_(c), exact_(r.sums_exact) {
    if (!exact_) replay_saturating();
}

void FixedPulses::add_pair(int x, int y) {
    pairs_[pair_count_][0] = x;
    pairs_[pair_count_][1] = y;
    ++pair_count_;
    if (exact_ && add_pair_exactly(x, y)) return;
    if (exact_) {
        exact_ = false;
        replay_saturating();
        return;
    }
    add_pair_saturating(x, y);
}

namespace {

// The two pulses' rows of sums (see add_pair_exactly) and their signs.
struct PairRows {
    const std::int32_t* before_x;
    const std::int32_t* after_x;
    const std::int32_t* before_y;
    const std::int32_t* after_y;
    int x;
    int y;
    std::int32_t negative_x;  // 0 or -1
    std::int32_t negative_y;
};

// Written once for the vectoriser, which packs it 4 or 8 lanes wide by the
// processor it compiles for: both wrappers below inline it.
[[gnu::always_inline]] inline void add_pair_rows_body(const PairRows& rows, const Word16* sign,
                                                      const Word16* energy, std::int32_t* acc,
                                                      Word16* correlation) {
    const std::int32_t negative_x = rows.negative_x;
    const std::int32_t negative_y = rows.negative_y;
    Word16 rounded[kSubframe];
    for (int p = 0; p < kSubframe; ++p) {
        const std::int32_t early_x = rows.before_x[p];
        const std::int32_t late_x = rows.after_x[p];
        const std::int32_t early_y = rows.before_y[p];
        const std::int32_t late_y = rows.after_y[p];
        const std::int32_t vx = p < rows.x ? early_x : late_x;
        const std::int32_t vy = p < rows.y ? early_y : late_y;
        const std::int32_t sum =
            acc[p] + ((vx ^ negative_x) - negative_x) + ((vy ^ negative_y) - negative_y);
        acc[p] = sum;
        rounded[p] = static_cast<Word16>((2 * sum + 0x8000) >> 16);
    }
    // mult(v, sign) without a multiply, in 16-bit lanes: by 32767 it takes
    // 1 from a positive v and gives -32767 for -32768; by -32768 it negates,
    // -32768 going to 32767. The energy is then a plain add (see above).
    for (int p = 0; p < kSubframe; ++p) {
        const Word16 v = rounded[p];
        const auto kept = static_cast<Word16>(v - (v > 0 ? 1 : 0) + (v == kMin16 ? 1 : 0));
        const Word16 negated = v == kMin16 ? kMax16 : static_cast<Word16>(-v);
        correlation[p] = static_cast<Word16>((sign[p] < 0 ? negated : kept) + energy[p]);
    }
}

void add_pair_rows(const PairRows& rows, const Word16* sign, const Word16* energy,
                   std::int32_t* acc, Word16* correlation) {
    add_pair_rows_body(rows, sign, energy, acc, correlation);
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) void add_pair_rows_avx2(const PairRows& rows, const Word16* sign,
                                                        const Word16* energy, std::int32_t* acc,
                                                        Word16* correlation) {
    add_pair_rows_body(rows, sign, energy, acc, correlation);
}
#endif

}  // namespace

bool FixedPulses::add_pair_exactly(int x, int y) {
    // Row q of the sums, P(p, q) for every p: the positions before q take
    // theirs from by_length, the others from by_end, each row in order.
    const std::int32_t* before_x = r_.by_length.row(kSubframe - 1 - x) + kSubframe - 1 - x;
    const std::int32_t* after_x = r_.by_end.row(kSubframe - 1 - x) - x;
    const std::int32_t* before_y = r_.by_length.row(kSubframe - 1 - y) + kSubframe - 1 - y;
    const std::int32_t* after_y = r_.by_end.row(kSubframe - 1 - y) - y;
    const std::int64_t sign_x = c_.sign[x] < 0 ? -1 : 1;
    const std::int64_t sign_y = c_.sign[y] < 0 ? -1 : 1;

    // |f + hx + hy|^2 from what is known: f.hq is sign(q) acc_[q], |hq|^2
    // the sum at lag 0 that ends at 39 - q, hx.hy their pair's sum
    const std::int64_t pair_sum = y < x ? before_x[y] : after_x[y];
    const std::int64_t with_pair = fixed_energy_ + 2 * sign_x * acc_[x] + 2 * sign_y * acc_[y] +
                                   after_x[x] + after_y[y] + 2 * sign_x * sign_y * pair_sum;
    // No sample of the 16-bit sum of the responses exceeds the root of its
    // energy: below 2^15 the sum is exact (the pair alone always is, see
    // sums_exact). The chains over it are exact while the energies allow,
    // the rounding included. No rounded correlation exceeds sqrt(E_h E_f) /
    // 2^15 + 1 in size, and no pulse energy that of position 0: where the
    // two cannot pass 16 bits, neither can their sum.
    constexpr std::int64_t kLargestExactEnergy = std::int64_t{kMax16} * kMax16;
    if (with_pair > kLargestExactEnergy || !products_fit(r_.h_energy, with_pair, 0x8000))
        return false;
    const double reach =
        std::sqrt(static_cast<double>(r_.h_energy) * static_cast<double>(with_pair));
    if (reach / 32768 + 2 + r_.energy[0] > kMax16) return false;
    fixed_energy_ = with_pair;

    // acc_[p] += sign(q) P(p, q) for both pulses. Both parts of each row are
    // read whole and the sums chosen by a select: one pass of fixed length,
    // which vectorises and whose loop exits do not depend on the pulses.
    // Then every position's correlation, rounded (the bounds leave room for
    // the rounding: round16 is a plain add), in its sign.
    const PairRows rows{before_x,           after_x, before_y, after_y, x, y, sign_x < 0 ? -1 : 0,
                        sign_y < 0 ? -1 : 0};
#if defined(__x86_64__)
    if (active_vector_path() == VectorPath::avx2) {
        add_pair_rows_avx2(rows, c_.sign, r_.energy, acc_, correlation_);
        return true;
    }
#endif
    add_pair_rows(rows, c_.sign, r_.energy, acc_, correlation_);
    return true;
}

void FixedPulses::add_pair_saturating(int x, int y) {
    const Word16* hx = c_.sign[x] < 0 ? r_.h_negated : r_.h;
    const Word16* hy = c_.sign[y] < 0 ? r_.h_negated : r_.h;
    // the pair's responses summed first, as one term
    Word16 pair[kSubframe] = {};
    std::copy(hx, hx + kSubframe - x, pair + x);
    for (int i = y; i < kSubframe; ++i) pair[i] = add(pair[i], hy[i - y]);
    for (int i = 0; i < kSubframe; ++i) fixed_[i] = add(fixed_[i], pair[i]);
    fixed_products_fit_ = products_fit(r_.h_energy, energy_of(fixed_, kSubframe));
}

void FixedPulses::replay_saturating() {
    std::fill(fixed_, fixed_ + 2 * kSubframe, Word16{0});
    for (int k = 0; k < pair_count_; ++k) add_pair_saturating(pairs_[k][0], pairs_[k][1]);
}

void FixedPulses::correlate(int track, Word16 out[kPositions]) const {
    if (exact_) {
        for (int i = 0; i < kPositions; ++i) out[i] = correlation_[track + kTracks * i];
        return;
    }
    for (int i = 0; i < kPositions; ++i) {
        const int p = track + kTracks * i;
        Word32 s = 0;
        if (fixed_products_fit_) {
            // the zeros after the sum give every position the same length
            s = exact_mac(0, r_.h, fixed_ + p, kSubframe);
        } else {
            for (int j = p; j < kSubframe; ++j) s = l_mac(s, r_.h[j - p], fixed_[j]);
        }
        out[i] = add(mult(round16(s), c_.sign[p]), r_.energy[p]);
    }
}

}  // namespace vox::g729::ten_pulse
