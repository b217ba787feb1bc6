#include <gtest/gtest.h>

#include "voice_decoder/decoder.h"
#include "voice_decoder/tests/itu_frames.h"
#include "voice_decoder/voice_decoder.h"
#include "voice_encoder/tests/test_data.h"

using namespace vox::g729;
using namespace vox::g729::testing;

namespace {

class AnnexAVectors : public ::testing::TestWithParam<const char*> {};

}  // namespace

// Mode 1 decodes as the G.729 Annex A decoder with its post-filter: every
// sample of the vectors' .pst from their .bit, blocks fed through the exports.
TEST_P(AnnexAVectors, ModeOneReproducesThePostFilteredOutput) {
    VOX_REQUIRE_TEST_DATA(std::string(VOX_G729_VECTORS) + "/speech.bit");
    const std::string folder = VOX_G729_VECTORS;
    const std::string name = GetParam();
    const auto frames = read_itu_frames(folder + "/" + name + ".bit");
    const auto expected = read_pcm(folder + "/" + name + ".pst");
    ASSERT_FALSE(frames.empty());
    ASSERT_EQ(expected.size(), frames.size() * 80);

    Ravelle_initDecoder();
    std::vector<std::int16_t> decoded;
    for (const Block& block : mode1_blocks(frames)) {
        std::int16_t samples[10240];
        int count = -1;
        ASSERT_EQ(Ravelle_VoiceDecoder(block.data(), samples, &count), 1);
        ASSERT_EQ(count, 51 * 80);
        decoded.insert(decoded.end(), samples, samples + count);
    }
    decoded.resize(expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(decoded[i], expected[i])
            << name << ": first difference in frame " << i / 80 << ", sample " << i % 80;
    }
}

INSTANTIATE_TEST_SUITE_P(G729, AnnexAVectors,
                         ::testing::Values("speech", "pitch", "fixed", "tame"));
