// The proofs behind the coder's unsaturated sums: wherever they admit the
// exact path it must equal the saturating operators' result.

#include "voice_encoder/exact_sums.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "voice_encoder/codebook_common.h"

namespace vox::g729::testing {
namespace {

Word32 saturating_mac(Word32 start, const std::vector<Word16>& a, const std::vector<Word16>& b) {
    Word32 s = start;
    for (std::size_t i = 0; i < a.size(); ++i) s = l_mac(s, a[i], b[i]);
    return s;
}

std::vector<Word16> random_vector(std::mt19937& random, int amplitude, int length) {
    std::uniform_int_distribution<int> value(-amplitude, amplitude - 1);
    std::vector<Word16> v(static_cast<std::size_t>(length));
    for (Word16& x : v) x = static_cast<Word16>(value(random));
    return v;
}

TEST(ExactSums, AdmittedSumsEqualTheSaturatingChainAndTheBoundIsNotVacuous) {
    std::mt19937 random(729);
    int admitted = 0;
    int refused = 0;
    for (int round = 0; round < 20000; ++round) {
        const int length = 1 + round % 40;
        const int amplitude_a = 1 << (4 + round % 12);
        const int amplitude_b = 1 << (4 + (round / 12) % 12);
        const auto a = random_vector(random, amplitude_a, length);
        const auto b = random_vector(random, amplitude_b, length);
        const Word32 start = round % 3 == 0 ? 0 : round % 3 == 1 ? 0x8000 : -0x10000;
        if (!products_fit(energy_of(a.data(), length), energy_of(b.data(), length), start)) {
            ++refused;
            continue;
        }
        ++admitted;
        ASSERT_EQ(exact_mac(start, a.data(), b.data(), length), saturating_mac(start, a, b))
            << "round " << round;
    }
    EXPECT_GT(admitted, 500);
    EXPECT_GT(refused, 500);
}

TEST(ExactSums, FullScaleVectorsAreRefused) {
    const std::vector<Word16> low(40, kMin16);
    const std::int64_t e = energy_of(low.data(), 40);
    EXPECT_FALSE(products_fit(e, e));
    // one full-scale product alone saturates l_mult
    EXPECT_FALSE(products_fit(energy_of(low.data(), 1), energy_of(low.data(), 1)));
}

// Energies below, at and far past the top, and full-scale negative samples
// whose single product already saturates.
TEST(ExactSums, CappedEnergyEqualsTheSaturatingChain) {
    std::mt19937 random(4);
    for (const int amplitude : {100, 5000, 10362, 10363, 20000, 32768}) {
        for (int trial = 0; trial < 50; ++trial) {
            const std::vector<Word16> v = random_vector(random, amplitude, kSubframe);
            ASSERT_EQ(saturating_energy(v.data(), kSubframe), saturating_mac(0, v, v)) << amplitude;
        }
    }
    const std::vector<Word16> lowest(kSubframe, kMin16);
    EXPECT_EQ(saturating_energy(lowest.data(), kSubframe), kMax32);
    EXPECT_EQ(saturating_energy(lowest.data(), 1), saturating_mac(0, {kMin16}, {kMin16}));
}

TEST(ExactSums, SearchCriterionAgreesWithItsSaturatingForm) {
    std::mt19937 random(11);
    const Word16 extremes[] = {kMin16, -32767, -1, 0, 1, 32766, kMax16};
    auto saturating = [](Word16 sq, Word16 alp, Word16 sq_best, Word16 alp_best) {
        return l_msu(l_mult(alp_best, sq), sq_best, alp) > 0;
    };
    for (const Word16 a : extremes)
        for (const Word16 b : extremes)
            for (const Word16 c : extremes)
                for (const Word16 d : extremes)
                    ASSERT_EQ(improves_criterion(a, b, c, d), saturating(a, b, c, d))
                        << a << " " << b << " " << c << " " << d;
    std::uniform_int_distribution<int> value(kMin16, kMax16);
    for (int i = 0; i < 100000; ++i) {
        const auto a = static_cast<Word16>(value(random));
        const auto b = static_cast<Word16>(value(random));
        const auto c = static_cast<Word16>(value(random));
        const auto d = static_cast<Word16>(value(random));
        ASSERT_EQ(improves_criterion(a, b, c, d), saturating(a, b, c, d));
    }
}

}  // namespace
}  // namespace vox::g729::testing
