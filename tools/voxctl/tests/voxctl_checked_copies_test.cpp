// put --verify and get --verify: a copy that does not read back the same is
// removed, reported and ends the command with its own status.

#include <gtest/gtest.h>

#include <filesystem>

#include "tools/voxctl/tests/voxctl_process.h"

namespace vox::voxctl::testing {
namespace {

class VoxctlCheckedCopies : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(sandbox.run({"sim", "create", sandbox.image(), "--empty"}).status, 0);
        writeFile(sandbox.pcPath("memo.dvf"), patternBytes(70000, 8));
    }
    VoxctlSandbox sandbox;
};

TEST_F(VoxctlCheckedCopies, GoodCopiesPass) {
    const Finished put = sandbox.run({"put", "--verify", sandbox.pcPath("memo.dvf"), "A"});
    ASSERT_EQ(put.status, 0) << put.err;
    std::filesystem::create_directory(sandbox.pcPath("back"));
    const Finished get = sandbox.run({"get", "--verify", "A/memo.dvf", sandbox.pcPath("back")});
    ASSERT_EQ(get.status, 0) << get.err;
    EXPECT_EQ(readFile(sandbox.pcPath("back/memo.dvf")), patternBytes(70000, 8));
}

TEST_F(VoxctlCheckedCopies, ABadGetCopyIsRemovedAndThePcFileKept) {
    ASSERT_EQ(sandbox.run({"put", sandbox.pcPath("memo.dvf"), "A"}).status, 0);
    writeFile(sandbox.pcPath("extra.dvf"), patternBytes(3000, 9));
    ASSERT_EQ(sandbox.run({"put", sandbox.pcPath("extra.dvf"), "A"}).status, 0);
    std::filesystem::create_directory(sandbox.pcPath("back"));
    writeFile(sandbox.pcPath("back/memo.dvf"), "the PC's own copy");
    sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", "corrupt-read-block=1");
    const Finished get = sandbox.run(
        {"get", "--verify", "--force", "A/memo.dvf", "A/extra.dvf", sandbox.pcPath("back")});
    EXPECT_EQ(get.status, 11) << get.err;
    EXPECT_NE(get.err.find("memo.dvf: the copy did not read back the same; it was removed"),
              std::string::npos)
        << get.err;
    // The replaced file is only replaced by a good copy; the other file came.
    EXPECT_EQ(namesIn(sandbox.pcPath("back")), (std::vector<std::string>{"extra.dvf", "memo.dvf"}));
    EXPECT_EQ(readFile(sandbox.pcPath("back/memo.dvf")), "the PC's own copy");
    EXPECT_EQ(readFile(sandbox.pcPath("back/extra.dvf")), patternBytes(3000, 9));
}

TEST_F(VoxctlCheckedCopies, ABadPutCopyIsDeletedFromTheRecorder) {
    // The read-back is what the fault corrupts; either way the two differ.
    sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", "corrupt-read-block=2");
    const Finished put = sandbox.run({"put", "--verify", sandbox.pcPath("memo.dvf"), "A"});
    EXPECT_EQ(put.status, 11) << put.err;
    EXPECT_NE(
        put.err.find("memo.dvf: the recorder's copy did not read back the same; it was deleted"),
        std::string::npos)
        << put.err;
    sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", "");
    EXPECT_EQ(sandbox.run({"ls", "A"}).out, "");
    EXPECT_EQ(readFile(sandbox.pcPath("memo.dvf")), patternBytes(70000, 8));
}

}  // namespace
}  // namespace vox::voxctl::testing
