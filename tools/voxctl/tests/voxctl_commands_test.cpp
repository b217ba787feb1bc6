// voxctl end to end: the built binary against a simulated recorder image.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "tools/voxctl/tests/voxctl_process.h"

namespace vox::voxctl::testing {
namespace {

// Rows of `voxctl ls`: name, size, type, date.
std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> rows;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        rows.push_back(text.substr(start, end - start));
    return rows;
}

class VoxctlCommands : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        const Finished created = sandbox.run({"sim", "create", sandbox.image(), "--empty",
                                              "--firmware", GetParam(), "--capacity", "8M"});
        ASSERT_EQ(created.status, 0) << created.err;
    }

    Finished expectOk(const std::vector<std::string>& arguments) {
        Finished finished = sandbox.run(arguments);
        EXPECT_EQ(finished.status, 0) << arguments[0] << ": " << finished.err;
        return finished;
    }

    std::vector<std::string> namesListed(const std::string& folder) {
        std::vector<std::string> names;
        for (const std::string& row : lines(expectOk({"ls", folder}).out))
            names.push_back(row.substr(0, row.find("  ")));
        return names;
    }

    VoxctlSandbox sandbox;
};

TEST_P(VoxctlCommands, PutListGetRemoveRoundTrip) {
    const std::string memo = patternBytes(40000, 1), note = patternBytes(1, 2);
    writeFile(sandbox.pcPath("memo.dvf"), memo);
    writeFile(sandbox.pcPath("Note taken.DVF"), note);
    expectOk({"put", sandbox.pcPath("memo.dvf"), sandbox.pcPath("Note taken.DVF"), "A"});

    const std::vector<std::string> rows = lines(expectOk({"ls", "A"}).out);
    ASSERT_EQ(rows.size(), 2u);
    const std::regex row(R"((\S.*\S) +(\d+KB)  (Voice File)  (\d{4}-\d\d-\d\d \d\d:\d\d))");
    std::smatch first, second;
    ASSERT_TRUE(std::regex_match(rows[0], first, row)) << rows[0];
    ASSERT_TRUE(std::regex_match(rows[1], second, row)) << rows[1];
    EXPECT_EQ(first[1], "memo.dvf");
    EXPECT_EQ(first[2], "40KB");
    EXPECT_EQ(second[1], "Note taken.DVF");
    EXPECT_EQ(second[2], "1KB");
    // Columns line up: the size ends, and the date starts, at one place.
    EXPECT_EQ(first.position(3), second.position(3));
    EXPECT_EQ(rows[0].size(), rows[1].size());

    const std::string json = expectOk({"ls", "A", "--json"}).out;
    EXPECT_NE(json.find(R"({"name":"memo.dvf",)"), std::string::npos) << json;
    EXPECT_NE(json.find(R"("size":40000,"sizeText":"40KB","type":"Voice File")"),
              std::string::npos);

    std::filesystem::create_directory(sandbox.pcPath("back"));
    expectOk({"get", "A/memo.dvf", "a/note taken.dvf", sandbox.pcPath("back")});
    EXPECT_EQ(readFile(sandbox.pcPath("back/memo.dvf")), memo);
    EXPECT_EQ(readFile(sandbox.pcPath("back/Note taken.DVF")), note);
    EXPECT_EQ(namesIn(sandbox.pcPath("back")),
              (std::vector<std::string>{"Note taken.DVF", "memo.dvf"}));

    expectOk({"rm", "A/memo.dvf"});
    EXPECT_EQ(namesListed("A"), (std::vector<std::string>{"Note taken.DVF"}));
}

TEST_P(VoxctlCommands, UpAndDownChangeThePlayOrder) {
    for (const char* name : {"one.mp3", "two.mp3", "three.wma"}) {
        writeFile(sandbox.pcPath(name), patternBytes(5000, name[1]));
        expectOk({"put", sandbox.pcPath(name), "MP3"});
    }
    expectOk({"up", "MP3/three.wma"});
    EXPECT_EQ(namesListed("MP3"), (std::vector<std::string>{"one.mp3", "three.wma", "two.mp3"}));
    expectOk({"down", "MP3/one.mp3"});
    EXPECT_EQ(namesListed("MP3"), (std::vector<std::string>{"three.wma", "one.mp3", "two.mp3"}));

    // The first file cannot go up: nothing changes, and voxctl says so.
    const Finished atTop = expectOk({"up", "MP3/three.wma"});
    EXPECT_NE(atTop.err.find("already the first"), std::string::npos);
    EXPECT_EQ(namesListed("MP3"), (std::vector<std::string>{"three.wma", "one.mp3", "two.mp3"}));
}

TEST_P(VoxctlCommands, OverwritingNeedsForceAndReplacesTheFile) {
    writeFile(sandbox.pcPath("memo.dvf"), patternBytes(3000, 1));
    expectOk({"put", sandbox.pcPath("memo.dvf"), "B"});
    const std::string newer = patternBytes(70000, 9);
    writeFile(sandbox.pcPath("memo.dvf"), newer);

    const Finished unconfirmed = sandbox.run({"put", sandbox.pcPath("memo.dvf"), "B"});
    EXPECT_EQ(unconfirmed.status, 10);
    EXPECT_NE(unconfirmed.err.find("--force"), std::string::npos);

    expectOk({"put", "--force", sandbox.pcPath("memo.dvf"), "B"});
    EXPECT_EQ(namesListed("B"), (std::vector<std::string>{"memo.dvf"}));
    std::filesystem::create_directory(sandbox.pcPath("back"));
    expectOk({"get", "B/memo.dvf", sandbox.pcPath("back")});
    EXPECT_EQ(readFile(sandbox.pcPath("back/memo.dvf")), newer);

    // On the PC side too, an existing file is replaced only with --force.
    EXPECT_EQ(sandbox.run({"get", "B/memo.dvf", sandbox.pcPath("back")}).status, 10);
    writeFile(sandbox.pcPath("back/memo.dvf"), "old");
    expectOk({"get", "--force", "B/memo.dvf", sandbox.pcPath("back")});
    EXPECT_EQ(readFile(sandbox.pcPath("back/memo.dvf")), newer);
}

TEST_P(VoxctlCommands, RenameAndFolders) {
    writeFile(sandbox.pcPath("draft.txt"), "text");
    expectOk({"put", sandbox.pcPath("draft.txt"), "HD"});
    expectOk({"rename", "HD/draft.txt", "final.txt"});
    EXPECT_EQ(namesListed("HD"), (std::vector<std::string>{"final.txt"}));
    EXPECT_EQ(sandbox.run({"rename", "HD/final.txt", "../x"}).status, 5);

    expectOk({"mkdir", "HD/Project notes"});
    const std::string listed = expectOk({"ls", "HD"}).out;
    EXPECT_NE(listed.find("Project notes"), std::string::npos) << listed;
    EXPECT_NE(listed.find("File Folder"), std::string::npos);
    EXPECT_EQ(sandbox.run({"mkdir", "HD/project NOTES"}).status, 5) << "the name is taken";
    expectOk({"rmdir", "HD/project notes"});
    EXPECT_EQ(namesListed("HD"), (std::vector<std::string>{"final.txt"}));
    EXPECT_EQ(sandbox.run({"rmdir", "HD/Project notes"}).status, 6);
    EXPECT_EQ(sandbox.run({"rmdir", "HD/final.txt"}).status, 6) << "a file is not a folder";
}

TEST_P(VoxctlCommands, InfoAndFormat) {
    const std::string info = expectOk({"info"}).out;
    EXPECT_NE(info.find("Firmware  " + std::string(GetParam())), std::string::npos) << info;
    EXPECT_NE(info.find("Model     QZ-410T"), std::string::npos);
    EXPECT_NE(info.find("Capacity  8.00MB"), std::string::npos);
    EXPECT_EQ(expectOk({"status"}).out, "Status    1\n");

    writeFile(sandbox.pcPath("memo.dvf"), patternBytes(3000, 1));
    expectOk({"put", sandbox.pcPath("memo.dvf"), "C"});
    // Not on a terminal nobody can confirm, so format needs --yes.
    EXPECT_EQ(sandbox.run({"format"}).status, 10);
    EXPECT_EQ(namesListed("C").size(), 1u);
    expectOk({"format", "--yes"});
    EXPECT_TRUE(namesListed("C").empty());
    EXPECT_EQ(lines(expectOk({"ls"}).out).size(), 5u) << "the five folders come back";
}

INSTANTIATE_TEST_SUITE_P(Firmware, VoxctlCommands, ::testing::Values("1.5", "0.9"),
                         [](const auto& info) {
                             return std::string(info.param) == "1.5" ? "Newer" : "Older";
                         });

TEST(VoxctlSimulator, NewImagesHoldSampleFilesInEveryFolder) {
    VoxctlSandbox sandbox;
    ASSERT_EQ(sandbox.run({"sim", "create", sandbox.image()}).status, 0);
    for (const char* folder : {"A", "B", "C", "MP3", "HD"}) {
        const Finished listed = sandbox.run({"ls", folder});
        EXPECT_EQ(listed.status, 0) << listed.err;
        EXPECT_FALSE(listed.out.empty()) << folder;
    }
    EXPECT_EQ(sandbox.run({"sim", "create", sandbox.image() + ".2", "--capacity", "lots"}).status,
              2);
    EXPECT_EQ(sandbox.run({"sim", "create", sandbox.image() + ".3", "--firmware", "15"}).status, 2);
}

}  // namespace
}  // namespace vox::voxctl::testing
