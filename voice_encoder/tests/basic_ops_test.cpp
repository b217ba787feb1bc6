// The fractional division against its definition: for 0 < num < den the
// quotient is num / den in Q15, truncated; 0 for a zero or negative
// operand, and the top of the range where num reaches den.

#include "voice_encoder/basic_ops.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <utility>

namespace vox::g729::testing {
namespace {

TEST(BasicOps, DivisionIsTheTruncatedQ15Quotient) {
    std::mt19937 random(15);
    std::uniform_int_distribution<int> value(1, kMax16);
    for (int trial = 0; trial < 200000; ++trial) {
        auto num = static_cast<Word16>(value(random));
        auto den = static_cast<Word16>(value(random));
        if (num > den) std::swap(num, den);
        const std::int32_t want = num == den ? kMax16 : (std::int32_t{num} << 15) / den;
        ASSERT_EQ(div_s(num, den), want) << num << " / " << den;
    }
    for (int num = 1; num < 300; ++num)
        ASSERT_EQ(div_s(static_cast<Word16>(num), 300), (num << 15) / 300);
    EXPECT_EQ(div_s(0, 100), 0);
    EXPECT_EQ(div_s(-5, 100), 0);
    EXPECT_EQ(div_s(5, 0), 0);
    EXPECT_EQ(div_s(kMax16, kMax16), kMax16);
    EXPECT_EQ(div_s(1, kMax16), 1);
}

}  // namespace
}  // namespace vox::g729::testing
