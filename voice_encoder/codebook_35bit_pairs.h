#pragma once
// The choice among the 64 candidate pairs of one stage of the 35-bit search:
// pulse x at slot i of one track and pulse y at slot j of the next, each
// pair with its squared correlation sq[i][j] and energy alp[i][j]. The
// reference takes, in a scan in slot order (i outer, j inner), every pair
// that beats the best so far by the criterion of improves_criterion,
// starting from sq = -1, alp = 1.

#include <optional>

#include "voice_encoder/codebook_35bit_correlations.h"

namespace vox::g729::ten_pulse {

struct PairCandidates {
    Word16 sq[kPositions][kPositions];
    Word16 alp[kPositions][kPositions];
};

struct PairChoice {
    bool found;  // some pair beat the start; else alp stays the start's 1
    int slot_x;
    int slot_y;
    Word16 alp;
};

// The scan itself.
PairChoice choose_in_scan_order(const PairCandidates& c);

// The same choice without a branch on the data, where every energy is
// positive (nothing otherwise).
std::optional<PairChoice> choose_largest_ratio(const PairCandidates& c);

}  // namespace vox::g729::ten_pulse
