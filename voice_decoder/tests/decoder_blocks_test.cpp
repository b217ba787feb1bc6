#include <gtest/gtest.h>

#include <random>

#include "voice_decoder/decoder.h"
#include "voice_decoder/fixed_codebook_decoding.h"
#include "voice_decoder/gain_decoding.h"
#include "voice_decoder/pitch_lag_decoding.h"
#include "voice_decoder/voice_decoder.h"

using namespace vox::g729;

namespace {

using Block = std::vector<std::uint8_t>;

// A block of random frame bytes behind the header of `mode` (plain bytes
// given, scrambled here).
Block block_with_header(std::initializer_list<std::uint8_t> plain_header, unsigned seed) {
    std::mt19937 random(seed);
    Block block(512);
    for (auto& byte : block) byte = static_cast<std::uint8_t>(random());
    int i = 0;
    for (std::uint8_t plain : plain_header) block[i++] = plain ^ 0xA5;
    return block;
}
Block mode0_first(unsigned seed = 1) {
    return block_with_header({0, 0, 0, 0, 0, 0, 0, 0}, seed);
}
Block mode1(unsigned seed = 2) {
    return block_with_header({0x10, 0}, seed);
}
Block mode2(unsigned seed = 3) {
    return block_with_header({0x20, 0, 0, 0, 0, 0, 0, 0}, seed);
}

int decode(Decoder& decoder, const Block& block) {
    std::vector<Word16> samples(kMaxSamplesPerBlock + 1, 0x5A5A);
    const int count = decoder.decode_block(block.data(), samples.data());
    EXPECT_EQ(samples[kMaxSamplesPerBlock], 0x5A5A) << "wrote past the samples of a block";
    return count;
}

int thirds(PitchLag lag) {
    return 3 * lag.integer + lag.fraction;
}

}  // namespace

TEST(DecoderStream, FirstBlockSetsTheRateForTheBlocksAfterIt) {
    Decoder decoder;
    EXPECT_EQ(decode(decoder, mode0_first()), 63 * 80);
    EXPECT_EQ(decoder.rate(), Rate::k6400);
    // Later mode-0 blocks have no header: any bytes are 64 frames, even ones
    // that look like another rate's header.
    EXPECT_EQ(decode(decoder, mode1()), 64 * 80);
    EXPECT_EQ(decode(decoder, mode0_first(9)), 64 * 80);

    decoder.reset();
    EXPECT_EQ(decode(decoder, mode1()), 51 * 80);
    EXPECT_EQ(decode(decoder, mode2()), 0);  // not a block of this stream
    EXPECT_EQ(decode(decoder, mode1(5)), 51 * 80);

    decoder.reset();
    EXPECT_EQ(decode(decoder, mode2()), 28 * 80);
    EXPECT_EQ(decode(decoder, mode0_first()), 0);
    EXPECT_EQ(decode(decoder, mode2(7)), 28 * 80);
}

TEST(DecoderStream, AStreamWithoutAKnownRateYieldsNothingUntilANewStream) {
    for (const Block& first : {block_with_header({0x30, 0}, 1), block_with_header({0x10, 1}, 1),
                               block_with_header({0x20, 0, 0, 0, 0, 0, 0, 4}, 1),
                               block_with_header({0, 0, 0, 0, 0, 0, 0, 1}, 1), Block(512, 0)}) {
        Decoder decoder;
        EXPECT_EQ(decode(decoder, first), 0);
        EXPECT_FALSE(decoder.rate());
        EXPECT_EQ(decode(decoder, mode1()), 0);
        decoder.reset();
        EXPECT_EQ(decode(decoder, mode1()), 51 * 80);
    }
}

TEST(DecoderExports, CountAndResultFollowTheBlockAndRefuseMissingBuffers) {
    std::vector<std::int16_t> samples(10240);
    int count = -1;
    const Block block = mode2();
    EXPECT_EQ(Ravelle_initDecoder(), 1);
    EXPECT_EQ(Ravelle_VoiceDecoder(nullptr, samples.data(), &count), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(Ravelle_VoiceDecoder(block.data(), nullptr, &count), 0);
    EXPECT_EQ(Ravelle_VoiceDecoder(block.data(), samples.data(), nullptr), 0);
    EXPECT_EQ(Ravelle_VoiceDecoder(block.data(), samples.data(), &count), 1);
    EXPECT_EQ(count, 2240);
    const Block wrong = mode1();
    EXPECT_EQ(Ravelle_VoiceDecoder(wrong.data(), samples.data(), &count), 0);
    EXPECT_EQ(count, 0);
    Ravelle_initDecoder();
    EXPECT_EQ(Ravelle_VoiceDecoder(wrong.data(), samples.data(), &count), 1);
    EXPECT_EQ(count, 4080);
}

TEST(DecoderStream, RandomBlocksDecodeToBoundedSpeechAtEveryRate) {
    for (const Block& first : {mode0_first(), mode1(), mode2()}) {
        Decoder decoder;
        std::vector<Word16> samples(kMaxSamplesPerBlock);
        int total = decoder.decode_block(first.data(), samples.data());
        std::mt19937 random(11);
        for (int b = 0; b < 20; ++b) {
            Block next = first;
            for (std::size_t i = 8; i < next.size(); ++i)
                next[i] = static_cast<std::uint8_t>(random());
            total += decoder.decode_block(next.data(), samples.data());
        }
        EXPECT_GT(total, 20 * 28 * 80);
    }
}

TEST(PitchLagDecoding, FirstSubframeCoversDelays19To143InThirdsThenWholeSamples) {
    for (Word16 index = 0; index < 197; ++index)
        EXPECT_EQ(thirds(decode_first_lag(index)), 58 + index);
    for (Word16 index = 197; index < 256; ++index) {
        EXPECT_EQ(decode_first_lag(index).integer, index - 112);
        EXPECT_EQ(decode_first_lag(index).fraction, 0);
    }
}

TEST(PitchLagDecoding, SecondSubframeIsRelativeToARangeKeptInside20To143) {
    // 5 bits: thirds from start - 2/3; start = first - 5, clamped with width 9.
    for (Word16 first : {60, 21, 140}) {
        const int start = first == 21 ? 20 : first == 140 ? 134 : 55;
        for (Word16 index = 0; index < 32; ++index) {
            EXPECT_EQ(thirds(decode_second_lag(index, first, Rate::k8000)), 3 * start + index - 2);
            EXPECT_EQ(thirds(decode_second_lag(index, first, Rate::k11800)), 3 * start + index - 2);
        }
    }
    // 4 bits: whole delays at both ends, thirds from start + 3 to start + 6.
    const int expected[16] = {0, 3, 6, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 21, 24, 27};
    for (Word16 index = 0; index < 16; ++index) {
        EXPECT_EQ(thirds(decode_second_lag(index, 60, Rate::k6400)), 3 * 55 + expected[index])
            << index;
    }
}

TEST(PitchLagDecoding, ParityCoversTheSixHighBitsAndAt11800AlsoBitOne) {
    const Word16 p1 = 0b10110100;  // high six bits 101101: four ones
    EXPECT_FALSE(pitch_parity_error(p1, 1, Rate::k8000));
    EXPECT_TRUE(pitch_parity_error(p1, 0, Rate::k8000));
    EXPECT_FALSE(pitch_parity_error(p1 | 1, 1, Rate::k8000));  // bit 0 is not covered
    EXPECT_TRUE(pitch_parity_error(p1 | 2, 1, Rate::k11800));
    EXPECT_FALSE(pitch_parity_error(p1 | 2, 0, Rate::k11800));
    EXPECT_FALSE(pitch_parity_error(p1, 0, Rate::k6400));  // no parity bit
}

TEST(FixedCodebookDecoding, PulsesLandOnTheirTracksWithTheirSigns) {
    Word16 code[40];
    SubframeParameters four;
    four.code[0] = static_cast<Word16>(1 | 2 << 3 | 3 << 6 | 1 << 9 | 7 << 10);
    four.sign = 0b0101;
    decode_fixed_codebook(four, Rate::k8000, code);
    EXPECT_EQ(code[5], 8191);
    EXPECT_EQ(code[11], -8192);
    EXPECT_EQ(code[17], 8191);
    EXPECT_EQ(code[39], -8192);
    EXPECT_EQ(std::count(code, code + 40, 0), 36);

    // Two-pulse code: Gray-coded indices into the position tables; pulses on
    // one place add up.
    SubframeParameters two;
    two.code[0] = static_cast<Word16>(2 | 3 << 4);  // Gray 2 -> 3, Gray 3 -> 2
    two.sign = 0b01;
    decode_fixed_codebook(two, Rate::k6400, code);
    EXPECT_EQ(code[8], 8191);   // track 0 entry 3
    EXPECT_EQ(code[4], -8192);  // track 1 entry 2
    EXPECT_EQ(std::count(code, code + 40, 0), 38);

    SubframeParameters ten;
    ten.code[0] = static_cast<Word16>(2 | 0 << 3 | 5 << 4);  // 10 then 25: later, opposite sign
    ten.code[1] = static_cast<Word16>(6 | 1 << 3 | 1 << 4);  // 31 then 6: earlier, same sign
    ten.code[2] = static_cast<Word16>(4 | 0 << 3 | 4 << 4);  // both on 22
    ten.code[3] = static_cast<Word16>(0 | 1 << 3 | 7 << 4);  // 3 then 38
    ten.code[4] = static_cast<Word16>(7 | 0 << 3 | 0 << 4);  // 39 then 4
    decode_fixed_codebook(ten, Rate::k11800, code);
    EXPECT_EQ(code[10], 4096);
    EXPECT_EQ(code[25], -4096);
    EXPECT_EQ(code[31], -4096);
    EXPECT_EQ(code[6], -4096);
    EXPECT_EQ(code[22], 8192);
    EXPECT_EQ(code[3], -4096);
    EXPECT_EQ(code[38], 4096);
    EXPECT_EQ(code[39], 4096);
    EXPECT_EQ(code[4], 4096);
    EXPECT_EQ(std::count(code, code + 40, 0), 31);
}

TEST(GainDecoding, EachCodebookKeepsItsOwnPredictorMemory) {
    Word16 code[40] = {};
    code[3] = 8191;
    code[20] = -8192;
    GainDecoder fresh;
    const DecodedGains expected = fresh.decode(0x55, Rate::k8000, code, 40);

    GainDecoder mixed;
    for (int i = 0; i < 6; ++i) mixed.decode(static_cast<Word16>(i * 9), Rate::k6400, code, 40);
    const DecodedGains seven_bit = mixed.decode(0x55, Rate::k8000, code, 40);
    EXPECT_EQ(seven_bit.pitch, expected.pitch);
    EXPECT_EQ(seven_bit.code, expected.code);
    // ...while the 6-bit memory did move on.
    GainDecoder other;
    EXPECT_NE(other.decode(9, Rate::k6400, code, 40).code,
              mixed.decode(9, Rate::k6400, code, 40).code);
}
