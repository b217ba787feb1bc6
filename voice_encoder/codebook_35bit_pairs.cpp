#include "voice_encoder/codebook_35bit_pairs.h"

#include <algorithm>
#include <cstdint>

#include "voice_encoder/codebook_common.h"
#include "voice_encoder/vector_path.h"

namespace vox::g729::ten_pulse {

PairChoice choose_in_scan_order(const PairCandidates& c) {
    PairChoice best{false, 0, 0, 1};
    Word16 best_sq = -1;
    for (int i = 0; i < kPositions; ++i) {
        for (int j = 0; j < kPositions; ++j) {
            if (improves_criterion(c.sq[i][j], c.alp[i][j], best_sq, best.alp)) {
                best_sq = c.sq[i][j];
                best = {true, i, j, c.alp[i][j]};
            }
        }
    }
    return best;
}

// With every energy positive the criterion orders the pairs by sq / alp, and
// the scan's winner is the first pair of the largest ratio (the first pair
// always replaces the start, sq being a square). Each column keeps its first
// best over the rows, in vector lanes; the columns' winners are then
// compared, the earlier row taking a tie.
//
// Written once for the vectoriser, which packs a row's eight products in one
// AVX2 register or two SSE2 ones: both wrappers below inline it.
[[gnu::always_inline]] inline std::optional<PairChoice> choose_largest_ratio_body(
    const PairCandidates& c) {
    Word16 lowest = kMax16;
    const Word16* alp = c.alp[0];
    for (int k = 0; k < kPositions * kPositions; ++k) lowest = std::min(lowest, alp[k]);
    if (lowest <= 0) return std::nullopt;

    Word16 col_sq[kPositions];
    Word16 col_alp[kPositions];
    Word16 col_row[kPositions] = {};
    std::copy(c.sq[0], c.sq[0] + kPositions, col_sq);
    std::copy(c.alp[0], c.alp[0] + kPositions, col_alp);
    for (int i = 1; i < kPositions; ++i) {
        // one vector step per row: the products of 16-bit values are exact
        // in 32 bits, and the choice is a mask
#pragma GCC unroll 1
        for (int j = 0; j < kPositions; ++j) {
            const std::int32_t keep =
                std::int32_t{col_alp[j]} * c.sq[i][j] > std::int32_t{col_sq[j]} * c.alp[i][j] ? 0
                                                                                              : -1;
            col_sq[j] = static_cast<Word16>((col_sq[j] & keep) | (c.sq[i][j] & ~keep));
            col_alp[j] = static_cast<Word16>((col_alp[j] & keep) | (c.alp[i][j] & ~keep));
            col_row[j] = static_cast<Word16>((col_row[j] & keep) | (i & ~keep));
        }
    }
    int best = 0;
    for (int j = 1; j < kPositions; ++j) {
        const std::int32_t ahead = std::int32_t{col_alp[best]} * col_sq[j];
        const std::int32_t behind = std::int32_t{col_sq[best]} * col_alp[j];
        const bool better = (ahead > behind) | ((ahead == behind) & (col_row[j] < col_row[best]));
        best = (best & (better - 1)) | (j & -static_cast<int>(better));
    }
    return PairChoice{true, col_row[best], best, col_alp[best]};
}

namespace {

std::optional<PairChoice> choose_largest_ratio_default(const PairCandidates& c) {
    return choose_largest_ratio_body(c);
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) std::optional<PairChoice> choose_largest_ratio_avx2(
    const PairCandidates& c) {
    return choose_largest_ratio_body(c);
}
#endif

}  // namespace

std::optional<PairChoice> choose_largest_ratio(const PairCandidates& c) {
#if defined(__x86_64__)
    if (active_vector_path() == VectorPath::avx2) return choose_largest_ratio_avx2(c);
#endif
    return choose_largest_ratio_default(c);
}

}  // namespace vox::g729::ten_pulse
