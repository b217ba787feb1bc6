// Every frame of the Annex A conformance vectors, coded from the initial
// state at 8 kbit/s, must give exactly the parameters of the matching .bit
// file: through the frame coder, and through the exported block encoder.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "voice_encoder/encoder.h"
#include "voice_encoder/frame_coder.h"
#include "voice_encoder/tests/itu_bitstream.h"
#include "voice_encoder/tests/test_data.h"
#include "voice_encoder/voice_encoder.h"

namespace vox::g729::testing {
namespace {

const std::filesystem::path kVectors{VOX_G729_VECTORS};

struct Vector {
    std::vector<std::int16_t> pcm;
    std::vector<std::vector<int>> fields;  // per frame
};

// Loads NAME.in and NAME.bit; skips the test when the folder is absent.
bool load(const std::string& name, Vector& v) {
    const auto pcm = read_pcm(kVectors / (name + ".in"));
    const auto bits = read_itu_bitstream(kVectors / (name + ".bit"));
    if (!pcm || !bits) return false;
    v.pcm = *pcm;
    for (const FrameBits& f : *bits) {
        const auto fields = split_fields(f, widths_8k());
        if (!fields) return false;
        v.fields.push_back(*fields);
    }
    return v.fields.size() == v.pcm.size() / kFrame;
}

std::string describe(std::size_t frame, const std::vector<int>& got, const std::vector<int>& want) {
    static const char* const kNames[] = {"L0L1", "L2L3", "P1", "P0", "C1", "S1",
                                         "G1",   "P2",   "C2", "S2", "G2"};
    for (std::size_t i = 0; i < want.size(); ++i) {
        if (got[i] != want[i]) {
            return "frame " + std::to_string(frame) + " field " + kNames[i] + ": got " +
                   std::to_string(got[i]) + ", want " + std::to_string(want[i]);
        }
    }
    return "frame " + std::to_string(frame) + " equal";
}

class AnnexAVectors : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        VOX_REQUIRE_TEST_DATA(kVectors);
        ASSERT_TRUE(load(GetParam(), vector_)) << "cannot read vector " << GetParam();
    }
    Vector vector_;
};

TEST_P(AnnexAVectors, FrameCoderReproducesEveryFrame) {
    FrameCoder coder;
    for (std::size_t f = 0; f < vector_.fields.size(); ++f) {
        coder.load_frame(vector_.pcm.data() + f * kFrame);
        const FrameFields p = coder.code_frame(CodingRate::k8000);
        const std::vector<int> got(p.value, p.value + p.count);
        ASSERT_EQ(got, vector_.fields[f]) << describe(f, got, vector_.fields[f]);
    }
}

// Unscrambles and unpacks the 51 slots of a mode-1 block.
std::vector<std::vector<int>> unpack_mode1(const std::uint8_t* block) {
    std::vector<std::vector<int>> frames;
    for (int s = 0; s < 51; ++s) {
        FrameBits bits;
        for (int byte = 0; byte < 10; ++byte) {
            const std::uint8_t v = block[2 + s * 10 + byte] ^ kScrambleMask;
            for (int b = 7; b >= 0; --b) bits.push_back(((v >> b) & 1) != 0);
        }
        frames.push_back(*split_fields(bits, widths_8k()));
    }
    return frames;
}

// Codes the vector in mode-1 blocks with `encode` and checks every slot.
template <typename Encode>
void expect_mode1_blocks(const Vector& v, Encode encode) {
    std::vector<std::int16_t> pcm = v.pcm;
    const std::size_t blocks = (v.fields.size() + 50) / 51;
    pcm.resize(blocks * 51 * kFrame, 0);  // the last block is padded with silence
    std::uint8_t block[kDvfBlockBytes];
    for (std::size_t b = 0; b < blocks; ++b) {
        ASSERT_TRUE(encode(pcm.data() + b * 51 * kFrame, block));
        ASSERT_EQ(block[0], 0x10 ^ kScrambleMask);
        ASSERT_EQ(block[1], kScrambleMask);
        const auto frames = unpack_mode1(block);
        for (std::size_t s = 0; s < 51 && b * 51 + s < v.fields.size(); ++s) {
            const std::size_t f = b * 51 + s;
            ASSERT_EQ(frames[s], v.fields[f]) << describe(f, frames[s], v.fields[f]);
        }
    }
}

TEST_P(AnnexAVectors, EncoderReproducesEveryFrameInMode1Blocks) {
    Encoder encoder;
    expect_mode1_blocks(vector_, [&](const std::int16_t* in, std::uint8_t* out) {
        return encoder.encode_block(in, out, 1);
    });
}

// The exported instance starts from the initial state only once per process
// (the previous LSPs and the gain memories outlive Ravelle_initEncoder), so
// this runs on the first vector a process codes; ctest gives every test its
// own process.
TEST_P(AnnexAVectors, ExportsReproduceEveryFrameInMode1FromLoad) {
    static bool exports_used = false;
    if (exports_used)
        GTEST_SKIP() << "the exported encoder has left its initial state in this process";
    exports_used = true;
    Ravelle_initEncoder();
    expect_mode1_blocks(vector_, [](const std::int16_t* in, std::uint8_t* out) {
        return Ravelle_VoiceEncoder(in, out, 1) == 1;
    });
}

INSTANTIATE_TEST_SUITE_P(G729, AnnexAVectors,
                         ::testing::Values("speech", "pitch", "fixed", "tame"));

}  // namespace
}  // namespace vox::g729::testing
