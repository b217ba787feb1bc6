// The coder's blocks that take unsaturated shortcuts where a bound admits
// them: on signals quiet and loud enough to take the shortcut and the
// saturating path, their results equal the plain saturating operators.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "voice_encoder/filters.h"
#include "voice_encoder/high_pass_section.h"
#include "voice_encoder/lsp_codebook_search.h"
#include "voice_encoder/lsp_conversion.h"
#include "voice_encoder/lsp_quantiser.h"
#include "voice_encoder/pitch_interpolation.h"
#include "voice_encoder/pre_filter.h"
#include "voice_encoder/tables.h"
#include "voice_encoder/target_correlation.h"

namespace vox::g729::testing {
namespace {

// Every path this processor runs.
std::vector<VectorPath> paths_to_test() {
    std::vector<VectorPath> paths;
    for (VectorPath p : {VectorPath::portable, VectorPath::sse2, VectorPath::avx2})
        if (p <= best_vector_path()) paths.push_back(p);
    return paths;
}

std::vector<Word16> random_samples(std::mt19937& random, int amplitude, int length) {
    std::uniform_int_distribution<int> value(-amplitude, amplitude);
    std::vector<Word16> v(static_cast<std::size_t>(length));
    for (Word16& x : v) x = saturate(value(random));
    return v;
}

// LP coefficients in Q12 with a[0] = 1.0, from gentle to steep.
std::vector<Word16> random_coefficients(std::mt19937& random, int spread) {
    std::uniform_int_distribution<int> value(-spread, spread);
    std::vector<Word16> a(kSubframeFilterSize);
    a[0] = 4096;
    for (int j = 1; j <= kLpOrder; ++j) a[static_cast<std::size_t>(j)] = saturate(value(random));
    return a;
}

constexpr int kAmplitudes[] = {300, 3000, 12000, 32767};
constexpr int kSpreads[] = {400, 2000, 9000, 32767};

TEST(CoderFastPaths, FiltersEqualTheSaturatingChains) {
    std::mt19937 random(8000);
    for (const int amplitude : kAmplitudes) {
        for (const int spread : kSpreads) {
            const std::vector<Word16> a = random_coefficients(random, spread);
            const std::vector<Word16> x = random_samples(random, amplitude, kLpOrder + 80);
            const Word16* in = x.data() + kLpOrder;

            Word16 y[80];
            residual(a.data(), in, y, 80);
            for (int i = 0; i < 80; ++i) {
                Word32 s = l_mult(in[i], a[0]);
                for (int j = 1; j <= kLpOrder; ++j) s = l_mac(s, a[j], in[i - j]);
                ASSERT_EQ(y[i], round16(l_shl(s, 3))) << amplitude << " " << spread << " " << i;
            }

            Word16 memory[kLpOrder];
            std::copy(x.begin(), x.begin() + kLpOrder, memory);
            Word16 out[80];
            const bool overflow = synthesis_filter(a.data(), in, out, 80, memory, true);
            Word16 expected[kLpOrder + 80];
            std::copy(x.begin(), x.begin() + kLpOrder, expected);
            bool expected_overflow = false;
            for (int i = 0; i < 80; ++i) {
                Word32 s = l_mult(in[i], a[0], expected_overflow);
                for (int j = 1; j <= kLpOrder; ++j)
                    s = l_msu(s, a[j], expected[kLpOrder + i - j], expected_overflow);
                s = l_add(l_shl(s, 3, expected_overflow), 0x8000, expected_overflow);
                expected[kLpOrder + i] = extract_h(s);
                ASSERT_EQ(out[i], expected[kLpOrder + i]) << amplitude << " " << spread << " " << i;
            }
            EXPECT_EQ(overflow, expected_overflow) << amplitude << " " << spread;
            EXPECT_TRUE(std::equal(memory, memory + kLpOrder, expected + 80));
        }
    }
}

TEST(CoderFastPaths, InterpolatedExcitationEqualsTheSaturatingChain) {
    std::mt19937 random(143);
    // near the bound of the exact sums (about 26,000 for these taps) the
    // outputs of short delays can cross it part way
    for (const int amplitude : {300, 3000, 12000, 24000, 26000, 32767}) {
        // 25 and 26: the shortest delays without and with blocks of 16 outputs
        for (const int t0 : {20, 25, 26, 39, 40, 85, 143}) {
            for (const int frac : {-1, 0, 1}) {
                const std::vector<Word16> input = random_samples(random, amplitude, 154 + 40);
                std::vector<Word16> expected = input;

                // The same on `expected`, one output after the other, as the
                // outputs of short delays are read back.
                Word16* exc = expected.data() + 154;
                const Word16* x0 = exc - t0;
                int f = -frac;
                if (f < 0) {
                    f += 3;
                    --x0;
                }
                for (int j = 0; j < 40; ++j, ++x0) {
                    Word32 s = 0;
                    for (int i = 0, k = 0; i < 10; ++i, k += 3) {
                        s = l_mac(s, x0[-i], inter_3l[f + k]);
                        s = l_mac(s, x0[1 + i], inter_3l[3 - f + k]);
                    }
                    exc[j] = round16(s);
                }
                for (VectorPath path : paths_to_test()) {
                    std::vector<Word16> buffer = input;
                    interpolate_past_excitation(buffer.data() + 154, static_cast<Word16>(t0),
                                                static_cast<Word16>(frac), 40, path);
                    ASSERT_EQ(buffer, expected)
                        << amplitude << " " << t0 << " " << frac << " " << vector_path_name(path);
                }
            }
        }
    }
}

// The high-pass section's sum as the chain of saturating operators forms it.
Word32 saturating_section(const Word16 b[3], const Word16 a[3], Dpf y1, Dpf y2, Word16 x0,
                          Word16 x1, Word16 x2) {
    Word32 t = l_add(mpy_32_16(y1, a[1]), mpy_32_16(y2, a[2]));
    t = l_mac(t, x0, b[0]);
    t = l_mac(t, x1, b[1]);
    return l_mac(t, x2, b[2]);
}

// Both filters' sections: quiet inputs take the plain sum, loud ones the
// chain; at the edge of the plain sum's range, with every term pushing the
// same way and the low halves at their extremes, it must still agree.
TEST(CoderFastPaths, HighPassSectionsEqualTheSaturatingChain) {
    std::mt19937 random(140);
    const Word16* tables[][2] = {{highpass_b, highpass_a}, {highpass100_b, highpass100_a}};
    for (const auto& table : tables) {
        const Word16* b = table[0];
        const Word16* a = table[1];
        const HighPassSection section(b, a);
        const Word32 limit = section.exact_limit();
        ASSERT_GT(limit, 16384);  // the plain sum serves ordinary speech
        for (const int amplitude : {1000, 16000, limit, 32767}) {
            std::uniform_int_distribution<int> sample(-amplitude - 1, amplitude);
            std::uniform_int_distribution<int> low(0, 32767);
            for (int n = 0; n < 20000; ++n) {
                const auto s = [&] { return saturate(sample(random)); };
                const Dpf y1{s(), static_cast<Word16>(low(random))};
                const Dpf y2{s(), static_cast<Word16>(low(random))};
                const Word16 x0 = s(), x1 = s(), x2 = s();
                ASSERT_EQ(section(y1, y2, x0, x1, x2), saturating_section(b, a, y1, y2, x0, x1, x2))
                    << amplitude << " " << n;
            }
        }
        const Word16 edge = static_cast<Word16>(std::min(limit, Word32{32767}));
        for (const int way : {1, -1}) {
            const auto push = [&](Word16 c) {
                return static_cast<Word16>((c >= 0) == (way > 0) ? edge : -edge);
            };
            const auto low = [&](Word16 c) { return (c >= 0) == (way > 0) ? kMax16 : kMin16; };
            const Dpf y1{push(a[1]), low(a[1])};
            const Dpf y2{push(a[2]), low(a[2])};
            EXPECT_EQ(section.exact_sum(y1, y2, push(b[0]), push(b[1]), push(b[2])),
                      saturating_section(b, a, y1, y2, push(b[0]), push(b[1]), push(b[2])));
        }
    }
}

// The pre-filter over speech-like and full-scale blocks, its history carried
// across them, against the same filter written with the saturating chain.
TEST(CoderFastPaths, PreFilterEqualsTheSaturatingChain) {
    std::mt19937 random(40);
    HighPassPreFilter filter;
    Dpf y1{0, 0}, y2{0, 0};
    Word16 x1 = 0, x2 = 0;
    for (int block = 0; block < 400; ++block) {
        const int amplitude = kAmplitudes[block % 4];
        std::vector<Word16> x = random_samples(random, amplitude, 80);
        if (block % 7 == 3)
            for (std::size_t i = 0; i < x.size(); ++i) x[i] = (i / 5) % 2 ? kMin16 : kMax16;
        std::vector<Word16> out = x;
        filter.process(out.data(), 80);
        for (int i = 0; i < 80; ++i) {
            Word32 t = saturating_section(highpass_b, highpass_a, y1, y2, x[i], x1, x2);
            t = l_shl(t, 3);
            ASSERT_EQ(out[i], round16(t)) << block << " " << i;
            x2 = x1;
            x1 = x[i];
            y2 = y1;
            y1 = l_extract(t);
        }
    }
}

// The target's correlation with the impulse response: all positions summed
// together on the exact path, one l_mac chain each otherwise.
TEST(CoderFastPaths, BackwardCorrelationEqualsTheSaturatingChains) {
    std::mt19937 random(41);
    for (const int amplitude : kAmplitudes) {
        for (const int spread : kAmplitudes) {
            const std::vector<Word16> x = random_samples(random, amplitude, kSubframe);
            const std::vector<Word16> h = random_samples(random, spread, kSubframe);
            Word32 y[kSubframe];
            backward_correlation(h.data(), x.data(), y);
            for (int i = 0; i < kSubframe; ++i) {
                Word32 s = 0;
                for (int j = i; j < kSubframe; ++j) s = l_mac(s, x[j], h[j - i]);
                ASSERT_EQ(y[i], s) << amplitude << " " << spread << " " << i;
            }
        }
    }
}

// Coefficient sets from small to full-scale, so that the recursion both stays
// under the plain path's bound and crosses it (where the saturating operators
// clip), at grid points across the whole range and at its ends.
TEST(CoderFastPaths, ChebyshevValuesEqualTheSaturatingRecursion) {
    std::mt19937 random(43);
    int plain_range = 0;
    for (const int spread : {500, 2000, 6000, 12000, 32767}) {
        for (int round = 0; round < 400; ++round) {
            const std::vector<Word16> f = random_samples(random, spread, kHalfOrder + 1);
            const std::vector<Word16> x = random_samples(random, 32767, 8);
            for (const bool reduced : {false, true}) {
                for (const Word16 at : {x[0], x[1], x[2], x[3], Word16{32767}, Word16{-32768}}) {
                    const Word16 value = chebyshev(at, f.data(), reduced);
                    ASSERT_EQ(value, chebyshev_saturating(at, f.data(), reduced))
                        << spread << " " << round << " " << at;
                    if (value > -32768 && value < 32767) ++plain_range;
                }
            }
        }
    }
    EXPECT_GT(plain_range, 1000);  // not only clipped values were compared
}

// A prediction residual far below every first-stage entry saturates the
// differences at -32768, whose squares reach 2^31 on their own: those
// distances cap at 2^31 - 1, so no entry beats the first one, whatever the
// other LSFs contribute.
TEST(CoderFastPaths, SaturatedLspDistancesCapInsteadOfWrapping) {
    LspPredictorMemory memory;
    for (auto& row : memory.past)
        for (Word16& v : row) v = kMax16;
    // LSPs (cosines, Q15) from a low first frequency to a high last one:
    // the residual of the low ones saturates, that of the high ones not.
    const Word16 lsp[kLpOrder] = {32000, 30000, 26000,  20000,  12000,
                                  3000,  -6000, -15000, -23000, -30000};
    Word16 lsp_q[kLpOrder];
    const LspIndices indices = quantise_lsp(lsp, lsp_q, memory);
    EXPECT_EQ(indices.l0_l1 & 127, 0);
}

// Four residuals at -32768 give every entry four squares of 2^30: the sum is
// past the cap for all entries, so none beats the first, although the rest of
// the residual matches one entry exactly. Were the sums not held at the cap,
// they would wrap to that entry's (zero) remainder.
TEST(CoderFastPaths, FirstStageDistancesHoldAtTheCap) {
    constexpr int kMatched = 77;
    for (VectorPath path : paths_to_test()) {
        SCOPED_TRACE(vector_path_name(path));
        Word16 residual[kLpOrder];
        for (int j = 0; j < kLpOrder; ++j)
            residual[j] = j < 4 ? kMin16 : lsp_codebook1[kMatched][j];
        for (int j = 0; j < 4; ++j) ASSERT_GT(lsp_codebook1[kMatched][j], 0);
        EXPECT_EQ(nearest_first_stage(residual, path), 0);
        // without the saturated four, the matching entry wins
        for (int j = 0; j < 4; ++j) residual[j] = lsp_codebook1[kMatched][j];
        EXPECT_EQ(nearest_first_stage(residual, path), kMatched);
    }
}

}  // namespace
}  // namespace vox::g729::testing
