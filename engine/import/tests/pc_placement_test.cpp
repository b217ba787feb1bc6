// Final names for finished files: never over an existing file, and the
// byte-for-byte comparison checked copies rest on.

#include "engine/import/pc_placement.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace vox::importing {
namespace {

namespace fs = std::filesystem;

class PcPlacementTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "placement-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
    }
    void TearDown() override { fs::remove_all(folder); }

    void write(const std::string& name, const std::string& content) {
        std::ofstream(folder + "/" + name, std::ios::binary) << content;
    }
    std::string read(const std::string& name) {
        std::ifstream in(folder + "/" + name, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }

    std::string folder;
};

TEST_F(PcPlacementTest, ATakenNameGetsACounterAndTheOldFileStays) {
    write(".ours", "new");
    write("MEMO.DVF", "old");
    std::string error;
    const auto placed = placeWithoutOverwrite(folder + "/.ours", folder, "MEMO.DVF", error);
    ASSERT_TRUE(placed) << error;
    EXPECT_EQ(*placed, "MEMO (2).DVF");
    EXPECT_EQ(read("MEMO.DVF"), "old");
    EXPECT_EQ(read("MEMO (2).DVF"), "new");
    EXPECT_FALSE(fs::exists(folder + "/.ours"));
}

TEST_F(PcPlacementTest, ADanglingLinkCountsAsTaken) {
    write(".ours", "new");
    fs::create_symlink(folder + "/nowhere", folder + "/MEMO.DVF");
    std::string error;
    EXPECT_EQ(placeWithoutOverwrite(folder + "/.ours", folder, "MEMO.DVF", error), "MEMO (2).DVF");
    EXPECT_FALSE(fs::exists(folder + "/nowhere"));
}

TEST_F(PcPlacementTest, AMissingFolderIsAnErrorAndTheTemporaryStays) {
    write(".ours", "new");
    std::string error;
    EXPECT_FALSE(placeWithoutOverwrite(folder + "/.ours", folder + "/gone", "MEMO.DVF", error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(read(".ours"), "new");
}

TEST_F(PcPlacementTest, SameContentComparesEveryByte) {
    const std::string big(100000, 'x');
    write("a", big);
    write("b", big);
    EXPECT_TRUE(sameContent(folder + "/a", folder + "/b"));
    std::string changed = big;
    changed[70000] = 'y';
    write("c", changed);
    EXPECT_FALSE(sameContent(folder + "/a", folder + "/c"));
    write("d", big + "z");
    EXPECT_FALSE(sameContent(folder + "/a", folder + "/d"));
    EXPECT_FALSE(sameContent(folder + "/d", folder + "/a"));
    EXPECT_FALSE(sameContent(folder + "/a", folder + "/missing"));
    write("e", "");
    write("f", "");
    EXPECT_TRUE(sameContent(folder + "/e", folder + "/f"));
}

}  // namespace
}  // namespace vox::importing
