// The coder's blocks that take unsaturated shortcuts where a bound admits
// them: on signals quiet and loud enough to take the shortcut and the
// saturating path, their results equal the plain saturating operators.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "voice_encoder/filters.h"
#include "voice_encoder/lsp_quantiser.h"
#include "voice_encoder/pitch_interpolation.h"
#include "voice_encoder/tables.h"

namespace vox::g729::testing {
namespace {

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
    for (const int amplitude : kAmplitudes) {
        for (const int t0 : {20, 39, 40, 85, 143}) {
            for (const int frac : {-1, 0, 1}) {
                std::vector<Word16> buffer = random_samples(random, amplitude, 154 + 40);
                std::vector<Word16> expected = buffer;
                interpolate_past_excitation(buffer.data() + 154, static_cast<Word16>(t0),
                                            static_cast<Word16>(frac), 40);

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
                ASSERT_EQ(buffer, expected) << amplitude << " " << t0 << " " << frac;
            }
        }
    }
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

}  // namespace
}  // namespace vox::g729::testing
