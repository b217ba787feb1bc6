// The 6.4 and 11.8 kbit/s streams have no published reference; the golden
// streams in golden/ hold their bits as the coder made them, so that any
// change to those bits, in the encoder or in the decoder, fails here.

#include <gtest/gtest.h>

#include <string>

#include "voice_decoder/tests/golden_streams.h"
#include "voice_decoder/tests/itu_frames.h"
#include "voice_encoder/dvf_layout.h"
#include "voice_encoder/tests/test_data.h"

using namespace vox::g729;
using namespace vox::g729::testing;

namespace {

const std::filesystem::path kGolden{VOX_GOLDEN_STREAMS};

// Where two streams first differ, as block and byte.
std::string first_difference(const std::vector<std::uint8_t>& got,
                             const std::vector<std::uint8_t>& want) {
    std::size_t i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
    return "first difference in block " + std::to_string(i / kDvfBlockBytes) + ", byte " +
           std::to_string(i % kDvfBlockBytes);
}

}  // namespace

TEST(GoldenStreams, EncoderCodesTheConformanceInputsIntoTheGoldenStreams) {
    VOX_REQUIRE_TEST_DATA(VOX_G729_VECTORS);
    for (const GoldenStream& stream : kGoldenStreams) {
        const std::string name = golden_name(stream);
        const auto pcm = read_pcm(std::string(VOX_G729_VECTORS) + "/" + stream.input + ".in");
        ASSERT_FALSE(pcm.empty()) << stream.input << ".in";
        const auto want = read_file(kGolden / (name + ".dvf"));
        ASSERT_EQ(want.size(), static_cast<std::size_t>(stream.blocks) * kDvfBlockBytes) << name;
        const auto got = encode_stream(pcm, stream);
        EXPECT_EQ(got, want) << name << ": " << first_difference(got, want);
    }
}

TEST(GoldenStreams, DecoderTurnsTheGoldenStreamsIntoTheGoldenOutputs) {
    for (const GoldenStream& stream : kGoldenStreams) {
        const std::string name = golden_name(stream);
        const auto dvf = read_file(kGolden / (name + ".dvf"));
        const auto want = read_pcm((kGolden / (name + ".pcm")).string());
        ASSERT_FALSE(dvf.empty()) << name;
        ASSERT_FALSE(want.empty()) << name;
        const auto got = decode_stream(dvf);
        ASSERT_EQ(got.size(), want.size()) << name;
        for (std::size_t i = 0; i < want.size(); ++i)
            ASSERT_EQ(got[i], want[i]) << name << ": first difference at sample " << i;
    }
}
