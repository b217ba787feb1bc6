// Names the recorder cannot store, or whose short name another entry has,
// are refused before anything of a batch is sent, with the file and the
// reason; long names are never cut.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "recorder_model/recorder.h"
#include "tools/voxctl/tests/voxctl_process.h"

namespace vox::voxctl::testing {
namespace {

class VoxctlNames : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(sandbox.run({"sim", "create", sandbox.image(), "--empty"}).status, 0);
        writeFile(sandbox.pcPath("fine.txt"), "fine");
    }

    std::string listed() {
        const Finished listing = sandbox.run({"ls", "HD"});
        EXPECT_EQ(listing.status, 0) << listing.err;
        return listing.out;
    }

    // A file in HD under `shortName` alone, put there without voxctl.
    void storeOnRecorder(const std::string& shortName, const std::string& content) {
        std::string error;
        auto recorder = model::Recorder::openImage(sandbox.image(), error);
        ASSERT_TRUE(recorder) << error;
        ASSERT_TRUE(recorder->fileSystem().addFile('M', "HD", shortName, u"",
                                                   {content.begin(), content.end()},
                                                   model::FatStamp::now(), error))
            << error;
        ASSERT_TRUE(recorder->save(error)) << error;
    }

    VoxctlSandbox sandbox;
};

TEST_F(VoxctlNames, OddNamesAreRefusedBeforeAnyFileOfTheBatchIsSent) {
    for (const char* odd : {"a.b.c.d.txt", ".hidden", "  leading.txt", "what?.txt", "x:y.txt",
                            "a*b.txt", "pipe|d.txt", "q\"uote.txt", "<in>.txt"}) {
        writeFile(sandbox.pcPath(odd), "odd");
        const Finished refused =
            sandbox.run({"put", sandbox.pcPath("fine.txt"), sandbox.pcPath(odd), "HD"});
        EXPECT_EQ(refused.status, 5) << odd << ": " << refused.err;
        EXPECT_EQ(refused.err.rfind("voxctl: Error : \"" + std::string(odd) +
                                        "\" cannot be stored on the recorder: the recorder "
                                        "cannot make a short name of it",
                                    0),
                  0u)
            << refused.err;
        EXPECT_EQ(listed(), "") << odd;
    }
}

TEST_F(VoxctlNames, LongNamesAreKeptWholeOrRefused) {
    const std::string sixtyFive = std::string(61, 'n') + ".txt";
    writeFile(sandbox.pcPath(sixtyFive), "65");
    ASSERT_EQ(sandbox.run({"put", sandbox.pcPath(sixtyFive), "HD"}).status, 0);
    EXPECT_NE(listed().find(sixtyFive + "  "), std::string::npos) << listed();

    for (std::size_t length : {66u, 90u, 255u}) {
        const std::string name = std::string(length - 4, 'm') + ".txt";
        writeFile(sandbox.pcPath(name), "long");
        const Finished refused =
            sandbox.run({"put", sandbox.pcPath("fine.txt"), sandbox.pcPath(name), "HD"});
        EXPECT_EQ(refused.status, 5) << length;
        EXPECT_EQ(refused.err, "voxctl: Error : \"" + name +
                                   "\" cannot be stored on the recorder: the recorder keeps "
                                   "names of at most 65 characters.\n");
    }
    EXPECT_EQ(listed().find("fine.txt"), std::string::npos);
}

// "notes.txt" would be stored as NOTES.TXT, the short name of a file there
// without a long name: the recorder would refuse it mid-batch.
TEST_F(VoxctlNames, AShortNameTakenByAnotherFileIsRefusedNamingBoth) {
    storeOnRecorder("NOTES.TXT", "old notes");
    const std::string before = listed();
    writeFile(sandbox.pcPath("notes.txt"), "new notes");
    const Finished refused =
        sandbox.run({"put", sandbox.pcPath("fine.txt"), sandbox.pcPath("notes.txt"), "HD"});
    EXPECT_EQ(refused.status, 5) << refused.err;
    EXPECT_EQ(refused.err,
              "voxctl: Error : \"notes.txt\" would get the same short name on the recorder as "
              "\"NOTES   .TXT\", which is there already; rename one of them.\n");
    EXPECT_EQ(listed(), before);
}

// A name without a long name keeps its 8.3 padding on the recorder; its PC
// copy is named as import names it, without the padding.
TEST_F(VoxctlNames, GetNamesThePcCopyWithoutThePaddingOfTheShortName) {
    storeOnRecorder("SONG.MP3", "song");
    std::filesystem::create_directory(sandbox.pcPath("out"));
    const Finished got = sandbox.run({"get", "HD/SONG.MP3", sandbox.pcPath("out")});
    ASSERT_EQ(got.status, 0) << got.err;
    EXPECT_EQ(namesIn(sandbox.pcPath("out")), std::vector<std::string>{"SONG.MP3"});
    EXPECT_EQ(readFile(sandbox.pcPath("out/SONG.MP3")), "song");
}

}  // namespace
}  // namespace vox::voxctl::testing
