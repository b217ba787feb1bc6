// The flat exports over the process-wide encoder.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "voice_encoder/encoder.h"
#include "voice_encoder/tests/test_signals.h"
#include "voice_encoder/voice_encoder.h"

namespace vox::g729::testing {
namespace {

using Block = std::array<std::uint8_t, 512>;

// Before any Ravelle_initEncoder the library acts as if a stream had been
// started at load: the first mode-0 block carries the stream header and
// equals that of a fresh encoder. (Each ctest test runs in its own process.)
TEST(Exports, FirstCallBeforeAnyInitStartsAStream) {
    const auto pcm = speech_like(5120);
    Block from_export{};
    ASSERT_EQ(Ravelle_VoiceEncoder(pcm.data(), from_export.data(), 0), 1);
    Encoder fresh;
    Block expected{};
    fresh.encode_block(pcm.data(), expected.data(), 0);
    EXPECT_EQ(from_export, expected);
}

TEST(Exports, ResultsAndRejectedCalls) {
    EXPECT_EQ(test10(), 0);
    EXPECT_EQ(Ravelle_initEncoder(), 1);
    const auto pcm = speech_like(5120);
    Block block;
    block.fill(0x11);
    EXPECT_EQ(Ravelle_VoiceEncoder(pcm.data(), block.data(), 3), 0);
    EXPECT_EQ(Ravelle_VoiceEncoder(pcm.data(), block.data(), -1), 0);
    EXPECT_EQ(Ravelle_VoiceEncoder(nullptr, block.data(), 0), 0);
    EXPECT_EQ(Ravelle_VoiceEncoder(pcm.data(), nullptr, 0), 0);
    EXPECT_TRUE(std::all_of(block.begin(), block.end(), [](std::uint8_t b) { return b == 0x11; }));
    // the rejected calls counted: this mode-0 call is not the stream's first
    ASSERT_EQ(Ravelle_VoiceEncoder(pcm.data(), block.data(), 0), 1);
    EXPECT_FALSE(std::all_of(block.begin(), block.begin() + 8,
                             [](std::uint8_t b) { return b == kScrambleMask; }));
}

}  // namespace
}  // namespace vox::g729::testing
