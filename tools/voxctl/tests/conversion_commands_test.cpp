// voxctl encode and decode end to end, through the built binary.

#include <gtest/gtest.h>

#include <cstdint>

#include "tools/voxctl/tests/voxctl_process.h"

namespace vox::voxctl::testing {
namespace {

void put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}
void put16(std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v));
    out.push_back(static_cast<char>(v >> 8));
}

// A canonical 44-byte-header PCM WAV of `samples` samples of a square wave.
std::string wave(int channels, std::uint32_t rate, int samples) {
    std::string fmt;
    put16(fmt, 1);
    put16(fmt, static_cast<std::uint16_t>(channels));
    put32(fmt, rate);
    put32(fmt, rate * 2 * static_cast<std::uint32_t>(channels));
    put16(fmt, static_cast<std::uint16_t>(2 * channels));
    put16(fmt, 16);
    std::string data;
    for (int i = 0; i < samples * channels; ++i)
        put16(data, static_cast<std::uint16_t>(i % 40 < 20 ? 3000 : -3000));
    std::string file = "RIFF";
    put32(file, static_cast<std::uint32_t>(4 + 8 + fmt.size() + 8 + data.size()));
    file += "WAVEfmt ";
    put32(file, static_cast<std::uint32_t>(fmt.size()));
    file += fmt + "data";
    put32(file, static_cast<std::uint32_t>(data.size()));
    return file + data;
}

TEST(VoxctlConversion, EncodesBesideTheSourceAndDecodesBack) {
    VoxctlSandbox sandbox;
    writeFile(sandbox.pcPath("TALK.WAV"), wave(1, 8000, 8000));
    const Finished encoded = sandbox.run({"encode", sandbox.pcPath("TALK.WAV"), "--quality", "HQ"});
    ASSERT_EQ(encoded.status, 0) << encoded.err;
    EXPECT_EQ(encoded.out, sandbox.pcPath("TALK_HQ.DVF") + "\n");
    EXPECT_EQ(readFile(sandbox.pcPath("TALK_HQ.DVF")).size(),
              4u * 512);  // 16,000 bytes, 4,480 a block

    const Finished decoded = sandbox.run({"decode", sandbox.pcPath("TALK_HQ.DVF")});
    ASSERT_EQ(decoded.status, 0) << decoded.err;
    EXPECT_EQ(readFile(sandbox.pcPath("TALK_HQ.WAV")).size(), 46u + 2 * 4 * 2240);
}

TEST(VoxctlConversion, RefusesOtherTypesAndFormatsAndAsksBeforeReplacing) {
    VoxctlSandbox sandbox;
    writeFile(sandbox.pcPath("song.mp3"), "ID3");
    const Finished wrongType = sandbox.run({"encode", sandbox.pcPath("song.mp3")});
    EXPECT_EQ(wrongType.status, 5);
    EXPECT_NE(wrongType.err.find("This type of file can not be converted."), std::string::npos);

    writeFile(sandbox.pcPath("stereo.wav"), wave(2, 8000, 100));
    const Finished stereo = sandbox.run({"encode", sandbox.pcPath("stereo.wav")});
    EXPECT_EQ(stereo.status, 5);
    EXPECT_NE(stereo.err.find("The converting only supports 8KHz, 16bit, Mono Wave data only !!"),
              std::string::npos);

    writeFile(sandbox.pcPath("memo.wav"), wave(1, 8000, 100));
    writeFile(sandbox.pcPath("memo_SP.DVF"), "keep");
    EXPECT_EQ(sandbox.run({"encode", sandbox.pcPath("memo.wav")}).status, 10);
    EXPECT_EQ(readFile(sandbox.pcPath("memo_SP.DVF")), "keep");
    EXPECT_EQ(sandbox.run({"encode", sandbox.pcPath("memo.wav"), "--force"}).status, 0);
    EXPECT_EQ(readFile(sandbox.pcPath("memo_SP.DVF")).size(), 512u);
}

}  // namespace
}  // namespace vox::voxctl::testing
