// voxctl encode and decode with several files, through the built binary:
// the same bytes as one file per call, per-file failures, names and the
// exit status.

#include <gtest/gtest.h>

#include "tools/voxctl/tests/voxctl_process.h"

namespace vox::voxctl::testing {
namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(VoxctlBatchConversion, SeveralFilesGiveTheBytesOfOneFilePerCall) {
    VoxctlSandbox sandbox;
    const std::vector<std::string> names{"a", "b", "c", "d"};
    for (std::size_t i = 0; i < names.size(); ++i)
        writeFile(sandbox.pcPath(names[i] + ".wav"),
                  wave(1, 8000, 9000 + 3000 * static_cast<int>(i)));

    std::vector<std::string> alone;
    for (const std::string& name : names) {
        const Finished one =
            sandbox.run({"encode", sandbox.pcPath(name + ".wav"), "--quality", "LP"});
        ASSERT_EQ(one.status, 0) << one.err;
        alone.push_back(readFile(sandbox.pcPath(name + "_LP.DVF")));
    }
    std::vector<std::string> all{"encode", "--quality", "LP", "--force"};
    std::string listed;
    for (const std::string& name : names) {
        all.push_back(sandbox.pcPath(name + ".wav"));
        listed += sandbox.pcPath(name + "_LP.DVF") + "\n";
    }
    const Finished batch = sandbox.run(all);
    ASSERT_EQ(batch.status, 0) << batch.err;
    EXPECT_EQ(batch.out, listed);
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_TRUE(readFile(sandbox.pcPath(names[i] + "_LP.DVF")) == alone[i]) << names[i];

    // And back, all at once against one by one.
    std::vector<std::string> decodeAll{"decode", "--force"};
    for (const std::string& name : names) decodeAll.push_back(sandbox.pcPath(name + "_LP.DVF"));
    ASSERT_EQ(sandbox.run(decodeAll).status, 0);
    for (const std::string& name : names) {
        const std::string together = readFile(sandbox.pcPath(name + "_LP.WAV"));
        ASSERT_EQ(sandbox.run({"decode", "--force", sandbox.pcPath(name + "_LP.DVF")}).status, 0);
        EXPECT_TRUE(readFile(sandbox.pcPath(name + "_LP.WAV")) == together) << name;
        EXPECT_GT(together.size(), 46u);
    }
}

TEST(VoxctlBatchConversion, FailingFilesAreReportedAndTheOthersStillConvert) {
    VoxctlSandbox sandbox;
    writeFile(sandbox.pcPath("one.wav"), wave(1, 8000, 8000));
    writeFile(sandbox.pcPath("stereo.wav"), wave(2, 8000, 100));
    writeFile(sandbox.pcPath("song.mp3"), "ID3");
    writeFile(sandbox.pcPath("two.wav"), wave(1, 8000, 12000));
    writeFile(sandbox.pcPath("two_SP.DVF"), "keep");
    writeFile(sandbox.pcPath("three.wav"), wave(1, 8000, 5000));

    const Finished run =
        sandbox.run({"encode", sandbox.pcPath("one.wav"), sandbox.pcPath("stereo.wav"),
                     sandbox.pcPath("song.mp3"), sandbox.pcPath("missing.wav"),
                     sandbox.pcPath("two.wav"), sandbox.pcPath("three.wav")});
    // The first failure decides the status: the refused format.
    EXPECT_EQ(run.status, 5);
    EXPECT_EQ(run.out, sandbox.pcPath("one_SP.DVF") + "\n" + sandbox.pcPath("three_SP.DVF") + "\n");
    EXPECT_TRUE(contains(run.err, "8KHz, 16bit, Mono Wave data only"));
    EXPECT_TRUE(contains(run.err, "This type of file can not be converted."));
    EXPECT_TRUE(contains(run.err, sandbox.pcPath("missing.wav") + ": no such file"));
    EXPECT_TRUE(contains(run.err, "two_SP.DVF\" exists; give --force to replace it"));
    EXPECT_TRUE(contains(run.err, "4 of 6 files were not converted"));
    EXPECT_EQ(readFile(sandbox.pcPath("two_SP.DVF")), "keep");
    EXPECT_EQ(readFile(sandbox.pcPath("one_SP.DVF")).size(), 2u * 512);
    EXPECT_EQ(readFile(sandbox.pcPath("three_SP.DVF")).size(), 2u * 512);
    EXPECT_EQ(namesIn(sandbox.pcPath("")),
              (std::vector<std::string>{"one.wav", "one_SP.DVF", "song.mp3", "stereo.wav",
                                        "three.wav", "three_SP.DVF", "two.wav", "two_SP.DVF"}));

    // A missing file first: its status (a PC file) is the one returned.
    const Finished missingFirst =
        sandbox.run({"encode", "--force", sandbox.pcPath("gone.wav"), sandbox.pcPath("one.wav")});
    EXPECT_EQ(missingFirst.status, 7);
    EXPECT_EQ(missingFirst.out, sandbox.pcPath("one_SP.DVF") + "\n");
}

TEST(VoxctlBatchConversion, NamesFollowTheQualityAndOneOutputIsNeverWrittenTwice) {
    VoxctlSandbox sandbox;
    writeFile(sandbox.pcPath("memo.wav"), wave(1, 8000, 3000));
    writeFile(sandbox.pcPath("memo.WAV"), wave(1, 8000, 6000));
    writeFile(sandbox.pcPath("Talk.Wav"), wave(1, 8000, 3000));
    const Finished run = sandbox.run({"encode", "--quality", "HQ", sandbox.pcPath("memo.wav"),
                                      sandbox.pcPath("Talk.Wav"), sandbox.pcPath("memo.WAV")});
    // memo.WAV would replace what memo.wav gave: it is refused instead.
    EXPECT_EQ(run.status, 5);
    EXPECT_EQ(run.out, sandbox.pcPath("memo_HQ.DVF") + "\n" + sandbox.pcPath("Talk_HQ.DVF") + "\n");
    EXPECT_TRUE(
        contains(run.err, "memo_HQ.DVF\" is the destination of an earlier file of this batch."));
    EXPECT_TRUE(contains(run.err, "1 of 3 files were not converted"));
    // 3,000 samples at HQ: two blocks, from memo.wav rather than memo.WAV.
    EXPECT_EQ(readFile(sandbox.pcPath("memo_HQ.DVF")).size(), 2u * 512);
    EXPECT_EQ(readFile(sandbox.pcPath("Talk_HQ.DVF")).size(), 2u * 512);
}

}  // namespace
}  // namespace vox::voxctl::testing
