#include "platform/files/exclusive_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <string>

namespace vox::files {
namespace {

class ExclusiveFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/vox-exclusive-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + folder + "'").c_str()); }

    std::string folder;
};

TEST_F(ExclusiveFileTest, DrawsAFreshNameBesideTheTargetEachTime) {
    const std::string target = folder + "/talk.wav";
    std::set<std::string> names;
    for (int i = 0; i < 20; ++i) {
        std::string path;
        std::FILE* file = createBeside(target, path);
        ASSERT_NE(file, nullptr);
        std::fclose(file);
        EXPECT_EQ(path.rfind(target + ".", 0), 0u) << path;
        EXPECT_EQ(path.size(), target.size() + 9);
        names.insert(path);
    }
    EXPECT_EQ(names.size(), 20u);
    struct stat info {};
    EXPECT_NE(::stat(target.c_str(), &info), 0);  // the target itself is never made
}

TEST_F(ExclusiveFileTest, AFolderThatCannotBeWrittenGivesNoFile) {
    std::string path = "unchanged";
    EXPECT_EQ(createBeside(folder + "/missing/x", path), nullptr);
    EXPECT_EQ(path, "unchanged");
}

}  // namespace
}  // namespace vox::files
