// Layout of the 512-byte voice blocks: headers, slots, packing, scrambling,
// the first block of a 6.4 kbit/s stream, and rejected modes.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "voice_encoder/encoder.h"
#include "voice_encoder/tests/test_signals.h"

namespace vox::g729::testing {
namespace {

using Block = std::array<std::uint8_t, kDvfBlockBytes>;
constexpr std::uint8_t kMask = kScrambleMask;

struct Mode {
    int mode;
    CodingRate rate;
    int header;
    int slot_bytes;
    int slots;
};
constexpr Mode kModes[3] = {{0, CodingRate::k6400, 0, 8, 64},
                            {1, CodingRate::k8000, 2, 10, 51},
                            {2, CodingRate::k11800, 8, 18, 28}};

// Every slot from `offset` on holds the fields the reference coder gives.
void expect_slots(const Block& block, int offset, const Mode& m,
                  const std::vector<std::vector<int>>& expected) {
    ASSERT_EQ(offset + static_cast<int>(expected.size()) * m.slot_bytes, 512);
    for (std::size_t s = 0; s < expected.size(); ++s) {
        const auto got =
            unpack_slot(block.data() + offset + s * m.slot_bytes, m.slot_bytes, widths_of(m.rate));
        ASSERT_EQ(got, expected[s]) << "mode " << m.mode << " slot " << s;
    }
}

TEST(BlockLayout, FirstSixKilobitBlockHasStreamHeaderAndSkipsFrameZero) {
    auto pcm = speech_like(2 * 5120);
    Encoder encoder;
    Block block{};
    ASSERT_TRUE(encoder.encode_block(pcm.data(), block.data(), 0));
    for (int i = 0; i < 8; ++i) EXPECT_EQ(block[i], kMask) << "header byte " << i;

    FrameCoder reference;
    expect_slots(block, 8, kModes[0],
                 code_frames(reference, pcm.data() + 80, 63, CodingRate::k6400));

    // samples 0..79 play no part
    auto changed = pcm;
    std::fill(changed.begin(), changed.begin() + 80, std::int16_t{12345});
    Encoder other;
    Block other_block{};
    ASSERT_TRUE(other.encode_block(changed.data(), other_block.data(), 0));
    EXPECT_EQ(other_block, block);

    // the second block: 64 slots, no header, from the next 5,120 samples
    ASSERT_TRUE(encoder.encode_block(pcm.data() + 5120, block.data(), 0));
    expect_slots(block, 0, kModes[0],
                 code_frames(reference, pcm.data() + 5120, 64, CodingRate::k6400));
}

TEST(BlockLayout, StreamHeaderOnlyOnTheFirstCallOfAStream) {
    const auto pcm = speech_like(5120);
    for (const int first_mode : {1, 2, 3, -1}) {
        Encoder encoder;
        Block block{};
        FrameCoder reference;
        if (first_mode == 1 || first_mode == 2) {
            const Mode& m = kModes[first_mode];
            ASSERT_TRUE(encoder.encode_block(pcm.data(), block.data(), first_mode));
            code_frames(reference, pcm.data(), m.slots, m.rate);
        } else {
            ASSERT_FALSE(encoder.encode_block(pcm.data(), block.data(), first_mode));
        }
        ASSERT_TRUE(encoder.encode_block(pcm.data(), block.data(), 0));
        expect_slots(block, 0, kModes[0],
                     code_frames(reference, pcm.data(), 64, CodingRate::k6400));
    }
    // a new stream starts with the header again
    Encoder encoder;
    Block block{};
    encoder.encode_block(pcm.data(), block.data(), 0);
    encoder.start_stream();
    block.fill(0);
    ASSERT_TRUE(encoder.encode_block(pcm.data(), block.data(), 0));
    EXPECT_TRUE(
        std::all_of(block.begin(), block.begin() + 8, [](std::uint8_t b) { return b == kMask; }));
}

TEST(BlockLayout, EightAndElevenKilobitBlocksCarryTheirHeaderEveryTime) {
    const auto pcm = speech_like(3 * 4080);
    for (const Mode& m : {kModes[1], kModes[2]}) {
        Encoder encoder;
        FrameCoder reference;
        for (int call = 0; call < 3; ++call) {
            Block block{};
            const std::int16_t* in = pcm.data() + call * m.slots * 80;
            ASSERT_TRUE(encoder.encode_block(in, block.data(), m.mode));
            EXPECT_EQ(block[0], (m.mode == 1 ? 0x10 : 0x20) ^ kMask);
            for (int i = 1; i < m.header; ++i) EXPECT_EQ(block[i], kMask) << "header byte " << i;
            expect_slots(block, m.header, m, code_frames(reference, in, m.slots, m.rate));
        }
    }
}

TEST(BlockLayout, ElevenKilobitSlotsEndInTwentyEightOneBits) {
    const auto pcm = speech_like(2240);
    Encoder encoder;
    Block block{};
    ASSERT_TRUE(encoder.encode_block(pcm.data(), block.data(), 2));
    for (int s = 0; s < 28; ++s) {
        const std::uint8_t* slot = block.data() + 8 + 18 * s;
        EXPECT_EQ((slot[14] ^ kMask) & 0x0F, 0x0F) << "slot " << s;
        for (int i = 15; i < 18; ++i) EXPECT_EQ(slot[i] ^ kMask, 0xFF) << "slot " << s;
    }
}

TEST(BlockLayout, UnknownModesAreRejectedWithoutTouchingTheOutput) {
    const auto pcm = speech_like(5120);
    Encoder encoder;
    for (const int mode : {3, -1, 100}) {
        Block block;
        block.fill(0x5A);
        EXPECT_FALSE(encoder.encode_block(pcm.data(), block.data(), mode));
        EXPECT_TRUE(
            std::all_of(block.begin(), block.end(), [](std::uint8_t b) { return b == 0x5A; }));
    }
    Block block;
    block.fill(0x5A);
    EXPECT_FALSE(encoder.encode_block(nullptr, block.data(), 1));
    EXPECT_TRUE(std::all_of(block.begin(), block.end(), [](std::uint8_t b) { return b == 0x5A; }));
    EXPECT_FALSE(encoder.encode_block(pcm.data(), nullptr, 1));
    EXPECT_EQ(Encoder::samples_per_block(0), 5120);
    EXPECT_EQ(Encoder::samples_per_block(1), 4080);
    EXPECT_EQ(Encoder::samples_per_block(2), 2240);
    EXPECT_EQ(Encoder::samples_per_block(3), 0);
}

TEST(BlockLayout, SilenceIsCodedInFullAtEveryRate) {
    const std::vector<std::int16_t> silence(5120, 0);
    for (const Mode& m : kModes) {
        Encoder encoder;
        Block block{};
        ASSERT_TRUE(encoder.encode_block(silence.data(), block.data(), m.mode));
        FrameCoder reference;
        const int offset = m.mode == 0 ? 8 : m.header;
        const int skip = m.mode == 0 ? 1 : 0;
        expect_slots(block, offset, m,
                     code_frames(reference, silence.data() + skip * 80, m.slots - skip, m.rate));
    }
}

}  // namespace
}  // namespace vox::g729::testing
