#pragma once
// The correlations the 35-bit codebook search works from: each pulse
// position's energy, the signed correlation of pulses on neighbouring tracks,
// and, inside a search pass, the correlation of every position with the
// pulses the pass has fixed so far.
//
// The search's reference arithmetic sums the fixed pulses' responses in 16
// bits and correlates each position with that sum through saturating l_mac
// chains. Wherever the bounds prove that neither saturates, the same values
// follow from exact sums of products of the response with itself, which
// are computed once per subframe and added a row per fixed pulse.

#include <cstdint>

#include "voice_encoder/target_correlation.h"

namespace vox::g729::ten_pulse {

inline constexpr int kTracks = 5;
inline constexpr int kPositions = 8;  // per track
inline constexpr int kMaxFixedPairs = 4;

inline int track_of(int position) {
    return position % kTracks;
}
inline int slot_of(int position) {
    return position / kTracks;
}

// Each position's pulse sign (+1 as 32767, -1 as -32768, Q15) and the
// opposite one; per track, the position of the strongest sign-choice sum and
// its size.
struct SignChoice {
    Word16 sign[kSubframe];
    Word16 inverse[kSubframe];
    int strongest[kTracks];
    Word32 strength[kTracks];
};

// The impulse response scaled for precision, and what the search needs of
// its correlations.
// Rows of 40 sums in one table, with a row of zeros before the first and
// after the last, so that 40 values read from any start inside a row stay
// inside the table. Cleared once: correlate_tracks writes the same cells in
// every subframe and leaves the others at 0.
struct SumRows {
    std::int32_t* row(int k) { return cells + kSubframe * (k + 1); }
    const std::int32_t* row(int k) const { return cells + kSubframe * (k + 1); }
    std::int32_t cells[kSubframe * (kSubframe + 2)] = {};
};

struct TrackCorrelations {
    Word16 h[kSubframe];
    Word16 h_negated[kSubframe];
    std::int64_t h_energy;                               // sum h^2
    Word16 energy[kSubframe];                            // of a pulse at each position
    Word16 neighbour[kTracks][kPositions * kPositions];  // [t][slot on t * 8 + slot on t + 1]
    std::int32_t neighbour_reach[kTracks];               // largest |neighbour[t][..]|
    std::int32_t d_reach[kTracks];                       // largest |d| on the track
    // Set when the sums below hold exactly and two responses added never
    // leave 16 bits. P(lag, n) = sum h[k] h[k + lag] over k = 0..n (lag + n
    // < 40) is kept twice, so that every row of the correlation matrix lies
    // in memory in order: by_length.row(n)[39 - lag] = P(lag, n) and
    // by_end.row(n + lag)[lag] = P(lag, n). The other cells are read only
    // to be discarded, and are never left uninitialised.
    bool sums_exact;
    SumRows by_length;
    SumRows by_end;
};

void correlate_tracks(const Word16 response[kSubframe], const SignChoice& c, TrackCorrelations& r);

// The pulses one pass has fixed, pair by pair, and every position's
// correlation with them.
class FixedPulses {
  public:
    FixedPulses(const TrackCorrelations& r, const SignChoice& c);

    void add_pair(int x, int y);

    // For each position of the track: its correlation with the fixed pulses,
    // rounded and in the sign of its own pulse, plus its own energy.
    void correlate(int track, Word16 out[kPositions]) const;

    // Whether the correlations still come from the exact sums.
    bool exact() const { return exact_; }

  private:
    bool add_pair_exactly(int x, int y);
    void add_pair_saturating(int x, int y);
    void replay_saturating();

    const TrackCorrelations& r_;
    const SignChoice& c_;
    int pairs_[kMaxFixedPairs][2];
    int pair_count_ = 0;

    // While `exact_`: acc_[p] = sum h[j - p] fixed[j] and the fixed sum's
    // energy, both exact, and what correlate gives for every position.
    bool exact_;
    std::int32_t acc_[kSubframe] = {};
    std::int64_t fixed_energy_ = 0;
    Word16 correlation_[kSubframe];

    // Otherwise the reference's own: the 16-bit sum, followed by zeros, and
    // whether its products with h provably stay in 32 bits.
    Word16 fixed_[2 * kSubframe];
    bool fixed_products_fit_ = true;
};

}  // namespace vox::g729::ten_pulse
