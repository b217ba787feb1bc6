// The ten-pulse search's correlations from exact sums of products against
// the saturating chains they stand in for: the pulse energies and
// neighbour correlations against chains written out here, and the
// correlations with fixed pulses against the pass's own saturating path,
// on responses from smooth to spiky and pulses that pile up until the
// shortcut has to give way.

#include <gtest/gtest.h>

#include <random>

#include "voice_encoder/codebook_35bit_correlations.h"
#include "voice_encoder/codebook_common.h"

namespace vox::g729::ten_pulse {
namespace {

SignChoice random_signs(std::mt19937& random) {
    SignChoice c{};
    std::bernoulli_distribution negative(0.5);
    for (int i = 0; i < kSubframe; ++i) {
        c.sign[i] = negative(random) ? kMin16 : kMax16;
        c.inverse[i] = c.sign[i] < 0 ? kMax16 : kMin16;
    }
    return c;
}

// A response that decays from h[0] at `decay`/32768 per sample (0: one
// spike; near 32768: nearly flat), with random signs after the first.
void random_response(std::mt19937& random, int decay, Word16 h[kSubframe]) {
    std::uniform_int_distribution<int> jitter(0, 3000);
    std::bernoulli_distribution flip(0.3);
    std::int32_t value = 20000;
    for (int i = 0; i < kSubframe; ++i) {
        h[i] = static_cast<Word16>(i > 0 && flip(random) ? -value : value);
        value = value * decay / 32768 + jitter(random) * (decay > 0 ? 1 : 0) / 8;
    }
}

constexpr int kDecays[] = {0, 8000, 24000, 32000, 32700};

TEST(TenPulseCorrelations, EnergiesAndNeighboursEqualTheChains) {
    std::mt19937 random(7);
    for (const int decay : kDecays) {
        for (int trial = 0; trial < 20; ++trial) {
            Word16 response[kSubframe];
            random_response(random, decay, response);
            const SignChoice c = random_signs(random);
            TrackCorrelations r;
            correlate_tracks(response, c, r);
            for (int p = 0; p < kSubframe; ++p) {
                Word32 acc = 0x10000;
                for (int n = 0; n < kSubframe - p; ++n) acc = l_mac(acc, r.h[n], r.h[n]);
                ASSERT_EQ(r.energy[p], shr(extract_h(acc), 1)) << p;
            }
            for (int t = 0; t < kTracks; ++t) {
                for (int i = 0; i < kPositions; ++i) {
                    for (int j = 0; j < kPositions; ++j) {
                        const int px = t + kTracks * i;
                        const int py = (t + 1) % kTracks + kTracks * j;
                        const int early = std::min(px, py);
                        const int late = std::max(px, py);
                        Word32 acc = 0x8000;
                        for (int n = 0; n < kSubframe - late; ++n)
                            acc = l_mac(acc, r.h[n], r.h[n + late - early]);
                        const Word16 sign = c.sign[px] < 0 ? c.inverse[py] : c.sign[py];
                        ASSERT_EQ(r.neighbour[t][i * kPositions + j], mult(extract_h(acc), sign))
                            << decay << " " << px << " " << py;
                    }
                }
            }
        }
    }
}

// Each pass adds four pairs, some piled onto the same positions in the same
// sign, so that the fixed sum's energy grows past what the shortcut allows.
TEST(TenPulseCorrelations, FixedPulseCorrelationsEqualTheSaturatingPath) {
    std::mt19937 random(11);
    std::uniform_int_distribution<int> position(0, kSubframe - 1);
    std::bernoulli_distribution repeat(0.4);
    int exact_stages = 0;
    int saturating_stages = 0;
    for (const int decay : kDecays) {
        for (int trial = 0; trial < 60; ++trial) {
            Word16 response[kSubframe];
            random_response(random, decay, response);
            SignChoice c = random_signs(random);
            if (trial % 3 == 0) {
                for (Word16& s : c.sign) s = kMax16;  // all alike: the sums pile up
            }
            TrackCorrelations exact;
            correlate_tracks(response, c, exact);
            ASSERT_TRUE(exact.sums_exact) << decay;
            TrackCorrelations saturating = exact;
            saturating.sums_exact = false;

            FixedPulses fast(exact, c);
            FixedPulses reference(saturating, c);
            int x = position(random);
            int y = position(random);
            for (int stage = 0; stage < kMaxFixedPairs; ++stage) {
                fast.add_pair(x, y);
                reference.add_pair(x, y);
                ++(fast.exact() ? exact_stages : saturating_stages);
                for (int t = 0; t < kTracks; ++t) {
                    Word16 got[kPositions];
                    Word16 want[kPositions];
                    fast.correlate(t, got);
                    reference.correlate(t, want);
                    for (int i = 0; i < kPositions; ++i)
                        ASSERT_EQ(got[i], want[i]) << decay << " " << stage << " " << t;
                }
                if (!repeat(random)) {
                    x = position(random);
                    y = position(random);
                }
            }
        }
    }
    // both ways were taken, so the comparison covered the hand-over too
    EXPECT_GT(exact_stages, 0);
    EXPECT_GT(saturating_stages, 0);
}

TEST(TenPulseCorrelations, CodeVectorSumsSaturateAsAddAndSub) {
    Word16 h[kSubframe];
    for (int i = 0; i < kSubframe; ++i) h[i] = i % 2 == 0 ? kMin16 : 30000;
    const Pulse pulses[] = {{0, false}, {0, false}, {2, true}, {1, false}, {3, true}};
    Word16 code[kSubframe];
    Word16 y[kSubframe];
    build_code_vector(pulses, 5, kUnitPulse, h, code, y);
    Word16 want_y[kSubframe] = {};
    Word16 want_code[kSubframe] = {};
    for (const Pulse& p : pulses) {
        want_code[p.position] =
            add(want_code[p.position], p.positive ? kUnitPulse.positive : kUnitPulse.negative);
        for (int i = p.position; i < kSubframe; ++i)
            want_y[i] =
                p.positive ? add(want_y[i], h[i - p.position]) : sub(want_y[i], h[i - p.position]);
    }
    for (int i = 0; i < kSubframe; ++i) {
        ASSERT_EQ(y[i], want_y[i]) << i;
        ASSERT_EQ(code[i], want_code[i]) << i;
    }
}

}  // namespace
}  // namespace vox::g729::ten_pulse
