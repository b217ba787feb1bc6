// voxctl encode and decode end to end, through the built binary.

#include <gtest/gtest.h>

#include "tools/voxctl/tests/voxctl_process.h"

namespace vox::voxctl::testing {
namespace {

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
