// The branch-free choice of the best pulse pair against the reference's scan
// in slot order, on candidates drawn from narrow ranges so that equal
// ratios, which the scan settles by order, are common.

#include <gtest/gtest.h>

#include <random>

#include "voice_encoder/codebook_35bit_pairs.h"

namespace vox::g729::ten_pulse {
namespace {

PairCandidates random_candidates(std::mt19937& random, int sq_max, int alp_min, int alp_max) {
    std::uniform_int_distribution<int> sq(0, sq_max);
    std::uniform_int_distribution<int> alp(alp_min, alp_max);
    PairCandidates c{};
    for (int i = 0; i < kPositions; ++i) {
        for (int j = 0; j < kPositions; ++j) {
            c.sq[i][j] = static_cast<Word16>(sq(random));
            c.alp[i][j] = static_cast<Word16>(alp(random));
        }
    }
    return c;
}

TEST(TenPulsePairs, LargestRatioIsTheScansChoiceTiesIncluded) {
    std::mt19937 random(5);
    struct Range {
        int sq_max;
        int alp_min;
        int alp_max;
    };
    // narrow ranges tie often; wide ones reach the products' extremes
    const Range ranges[] = {{3, 1, 2}, {8, 1, 4}, {200, 1, 300}, {kMax16, 1, kMax16}};
    for (const Range& range : ranges) {
        for (int trial = 0; trial < 2000; ++trial) {
            const PairCandidates c =
                random_candidates(random, range.sq_max, range.alp_min, range.alp_max);
            const PairChoice scan = choose_in_scan_order(c);
            const std::optional<PairChoice> fast = choose_largest_ratio(c);
            ASSERT_TRUE(fast.has_value());
            ASSERT_TRUE(scan.found);
            ASSERT_EQ(fast->slot_x, scan.slot_x) << range.sq_max << " " << trial;
            ASSERT_EQ(fast->slot_y, scan.slot_y) << range.sq_max << " " << trial;
            ASSERT_EQ(fast->alp, scan.alp);
        }
    }
}

TEST(TenPulsePairs, EnergiesNotPositiveAreLeftToTheScan) {
    std::mt19937 random(9);
    PairCandidates c = random_candidates(random, 100, 1, 100);
    c.alp[5][3] = 0;
    EXPECT_FALSE(choose_largest_ratio(c).has_value());
    c.alp[5][3] = -7;
    EXPECT_FALSE(choose_largest_ratio(c).has_value());

    // nothing beats the start when every pair has sq = 0 and alp = 0
    PairCandidates none{};
    const PairChoice scan = choose_in_scan_order(none);
    EXPECT_FALSE(scan.found);
    EXPECT_EQ(scan.alp, 1);
}

}  // namespace
}  // namespace vox::g729::ten_pulse
