// Choosing the coder's vector path, and the vector forms of its searches
// against the portable ones, on inputs inside and outside the bounds their
// shortcuts rest on.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "voice_encoder/lsp_codebook_search.h"
#include "voice_encoder/pitch_interpolation.h"
#include "voice_encoder/pulse_correlation_matrix.h"
#include "voice_encoder/tables.h"
#include "voice_encoder/target_correlation.h"
#include "voice_encoder/vector_path.h"

namespace vox::g729::testing {
namespace {

// The vector paths this processor runs besides the portable one.
std::vector<VectorPath> vector_paths() {
    std::vector<VectorPath> paths;
    for (VectorPath p : {VectorPath::sse2, VectorPath::avx2})
        if (p <= best_vector_path()) paths.push_back(p);
    return paths;
}

TEST(CoderVectorPath, EnvironmentChoosesUpToWhatTheProcessorRuns) {
    using enum VectorPath;
    EXPECT_EQ(choose_vector_path(nullptr, avx2, avx2), avx2);
    EXPECT_EQ(choose_vector_path(nullptr, sse2, avx2), sse2);
    EXPECT_EQ(choose_vector_path("portable", avx2, avx2), portable);
    EXPECT_EQ(choose_vector_path("sse2", portable, avx2), sse2);
    EXPECT_EQ(choose_vector_path("avx2", portable, sse2), sse2);
    EXPECT_EQ(choose_vector_path("avx2", avx2, portable), portable);
    EXPECT_EQ(choose_vector_path("AVX512", sse2, avx2), sse2);
    EXPECT_EQ(choose_vector_path("", avx2, avx2), avx2);
    EXPECT_LE(active_vector_path(), best_vector_path());
}

// Residuals near the codebook's entries (inside the bound), spread over the
// whole 16-bit range (outside it, many differences saturating), and pinned
// at the extremes (distances at the cap).
TEST(CoderVectorPath, FirstStageSearchesAgree) {
    std::mt19937 random(30);
    std::uniform_int_distribution<int> entry(0, kFirstStageSize - 1);
    std::uniform_int_distribution<int> near(-3000, 3000);
    std::uniform_int_distribution<int> anywhere(kMin16, kMax16);
    std::uniform_int_distribution<int> kind(0, 3);
    for (int trial = 0; trial < 20000; ++trial) {
        Word16 residual[kLpOrder];
        const int base = entry(random);
        const int how = kind(random);
        for (int j = 0; j < kLpOrder; ++j) {
            if (how == 0) {
                residual[j] = saturate(lsp_codebook1[base][j] + near(random));
            } else if (how == 1) {
                residual[j] = lsp_codebook1[base][j];  // an exact match, then ties
            } else if (how == 2) {
                residual[j] = static_cast<Word16>(anywhere(random));
            } else {
                residual[j] = j % 3 == 0 ? kMin16 : (j % 3 == 1 ? kMax16 : lsp_codebook1[base][j]);
            }
        }
        const int expected = nearest_first_stage(residual, VectorPath::portable);
        for (VectorPath p : vector_paths()) {
            ASSERT_EQ(nearest_first_stage(residual, p), expected)
                << vector_path_name(p) << " trial " << trial;
        }
    }
}

// Weights from zero (every distance equal: the first entry wins) to full
// scale, and targets small, large and saturated.
TEST(CoderVectorPath, SecondStageSearchesAgree) {
    std::mt19937 random(31);
    std::uniform_int_distribution<int> weight(0, kMax16);
    std::uniform_int_distribution<int> small(-2500, 2500);
    std::uniform_int_distribution<int> anywhere(kMin16, kMax16);
    std::uniform_int_distribution<int> kind(0, 3);
    for (int trial = 0; trial < 20000; ++trial) {
        Word16 target[kLpOrder];
        Word16 w[kLpOrder];
        const int how = kind(random);
        for (int j = 0; j < kLpOrder; ++j) {
            target[j] = static_cast<Word16>(how == 2 ? anywhere(random) : small(random));
            // sparse weights make ties between entries alike in the weighted columns
            w[j] = how == 1 ? Word16{0} : static_cast<Word16>(trial % 2 ? weight(random) : kMax16);
            if (how == 3 && j % 2 == 0) w[j] = 0;
        }
        for (int from : {0, kLpOrder / 2}) {
            const int expected = nearest_second_stage(target, w, from, VectorPath::portable);
            if (how == 1) {
                ASSERT_EQ(expected, 0);
            }
            for (VectorPath p : vector_paths()) {
                ASSERT_EQ(nearest_second_stage(target, w, from, p), expected)
                    << vector_path_name(p) << " trial " << trial << " half " << from;
            }
        }
    }
}

// Responses and targets from quiet to full scale: the exact sums where the
// energies admit them, the saturating chains elsewhere.
TEST(CoderVectorPath, BackwardCorrelationsAgree) {
    std::mt19937 random(40);
    for (const int amplitude : {1, 300, 3000, 8000, 20000, 32767}) {
        std::uniform_int_distribution<int> value(-amplitude, amplitude);
        for (int trial = 0; trial < 300; ++trial) {
            Word16 h[kSubframe];
            Word16 x[kSubframe];
            for (int i = 0; i < kSubframe; ++i) {
                h[i] = static_cast<Word16>(value(random));
                x[i] = static_cast<Word16>(trial == 0 ? amplitude : value(random));
            }
            Word32 expected[kSubframe];
            backward_correlation(h, x, expected, VectorPath::portable);
            for (VectorPath p : vector_paths()) {
                Word32 y[kSubframe];
                backward_correlation(h, x, y, p);
                ASSERT_TRUE(std::equal(y, y + kSubframe, expected))
                    << vector_path_name(p) << " amplitude " << amplitude << " trial " << trial;
            }
        }
    }
}

// Every delay and fraction the coder uses, over excitations quiet enough for
// the exact sums throughout and loud enough to leave them part way or at once:
// blocks of 8 and of 16 outputs, and where each ends, must give the same.
TEST(CoderVectorPath, InterpolationsAgreeAtEveryDelay) {
    constexpr int kHistory = 154;
    std::mt19937 random(143);
    for (const int amplitude : {1000, 20000, 25000, 32767}) {
        std::uniform_int_distribution<int> value(-amplitude, amplitude);
        for (int t0 = 20; t0 <= 143; ++t0) {
            for (const int frac : {-1, 0, 1}) {
                std::vector<Word16> input(kHistory + kSubframe);
                for (Word16& v : input) v = static_cast<Word16>(value(random));
                std::vector<Word16> expected = input;
                interpolate_past_excitation(expected.data() + kHistory, static_cast<Word16>(t0),
                                            static_cast<Word16>(frac), kSubframe,
                                            VectorPath::portable);
                for (VectorPath p : vector_paths()) {
                    std::vector<Word16> out = input;
                    interpolate_past_excitation(out.data() + kHistory, static_cast<Word16>(t0),
                                                static_cast<Word16>(frac), kSubframe, p);
                    ASSERT_EQ(out, expected) << vector_path_name(p) << " amplitude " << amplitude
                                             << " delay " << t0 << " fraction " << frac;
                }
            }
        }
    }
}

#if defined(__x86_64__)
// The four-pulse search's matrix against the sums written out, the
// response from quiet to the largest the exact sums admit (2 * 40 * 5180^2
// < 2^31), the signs at random.
TEST(CoderVectorPath, PulseCorrelationMatrixEqualsTheSumsWrittenOut) {
    std::mt19937 random(17);
    for (const int amplitude : {1, 200, 3000, 5180}) {
        std::uniform_int_distribution<int> value(-amplitude, amplitude);
        for (int trial = 0; trial < 200; ++trial) {
            Word16 hs[kPulseRows];
            Word16 sign[kPulseRows];
            for (int i = 0; i < kPulseRows; ++i) {
                hs[i] = static_cast<Word16>(trial == 0 ? (i % 2 ? -amplitude : amplitude)
                                                       : value(random));
                sign[i] = random() % 2 ? kMax16 : kMin16;
            }
            for (const PulseSigns rule : {PulseSigns::four_pulse, PulseSigns::two_pulse}) {
                Word16 r[kPulseRows][kPulseRows];
                Word16 diagonal[kPulseRows];
                signed_correlation_matrix_sse2(hs, sign, rule, r, diagonal);
                for (int j = 0; j < kPulseRows; ++j) {
                    for (int i = 0; i <= j; ++i) {
                        Word32 sum = 0;
                        for (int k = 0; k + j < kPulseRows; ++k)
                            sum = l_mac(sum, hs[k], hs[k + j - i]);
                        const Word16 unsigned_r = extract_h(sum);
                        Word16 expected = unsigned_r;
                        if (rule == PulseSigns::two_pulse)
                            expected = mult(unsigned_r, mult(sign[i], sign[j]));
                        else if (i != j)
                            expected = mult(unsigned_r, sign[i] == sign[j] ? kMax16 : kMin16);
                        ASSERT_EQ(r[j][i], expected) << amplitude << " row " << j << " entry " << i;
                        ASSERT_EQ(r[i][j], expected) << amplitude << " mirror " << j << ", " << i;
                        if (i == j) {
                            ASSERT_EQ(diagonal[j], unsigned_r) << amplitude << " " << j;
                        }
                    }
                }
            }
        }
    }
}
#endif

}  // namespace
}  // namespace vox::g729::testing
