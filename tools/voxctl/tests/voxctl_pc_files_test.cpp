// What voxctl does to PC files it did not make while it fetches: a file or
// a link under any name it might pick stays untouched, whether the fetch
// succeeds or fails, and a fetch ended by a signal leaves nothing behind.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tools/voxctl/tests/voxctl_process.h"

namespace vox::voxctl::testing {
namespace {

namespace fs = std::filesystem;

class VoxctlPcFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(sandbox.run({"sim", "create", sandbox.image(), "--empty"}).status, 0);
        fs::create_directory(sandbox.pcPath("back"));
    }

    void putOnRecorder(const std::string& name, std::size_t bytes, unsigned seed) {
        writeFile(sandbox.pcPath(name), patternBytes(bytes, seed));
        ASSERT_EQ(sandbox.run({"put", sandbox.pcPath(name), "HD"}).status, 0);
    }

    VoxctlSandbox sandbox;
};

TEST_F(VoxctlPcFiles, AFetchNeverWritesThroughFilesOrLinksItDidNotMake) {
    putOnRecorder("memo.dvf", 100000, 1);
    putOnRecorder("notes.txt", 40000, 2);
    const std::string back = sandbox.pcPath("back");
    writeFile(back + "/memo.dvf.part", "the user's own file");
    writeFile(sandbox.pcPath("victim.txt"), "not to be overwritten");
    fs::create_symlink(sandbox.pcPath("victim.txt"), back + "/notes.txt.part");

    const Finished fetched = sandbox.run({"get", "HD/memo.dvf", "HD/notes.txt", back});
    ASSERT_EQ(fetched.status, 0) << fetched.err;
    EXPECT_EQ(readFile(back + "/memo.dvf"), patternBytes(100000, 1));
    EXPECT_EQ(readFile(back + "/notes.txt"), patternBytes(40000, 2));
    EXPECT_FALSE(fs::is_symlink(back + "/notes.txt"));
    EXPECT_EQ(readFile(back + "/memo.dvf.part"), "the user's own file");
    EXPECT_TRUE(fs::is_symlink(back + "/notes.txt.part"));
    EXPECT_EQ(readFile(sandbox.pcPath("victim.txt")), "not to be overwritten");
    EXPECT_EQ(namesIn(back), (std::vector<std::string>{"memo.dvf", "memo.dvf.part", "notes.txt",
                                                       "notes.txt.part"}));

    // A fetch that fails half-way removes only what it made.
    fs::remove(back + "/memo.dvf");
    sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", "unplug-after-bytes=50000");
    EXPECT_EQ(sandbox.run({"get", "HD/memo.dvf", back}).status, 8);
    sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", "");
    EXPECT_EQ(readFile(back + "/memo.dvf.part"), "the user's own file");
    EXPECT_EQ(namesIn(back),
              (std::vector<std::string>{"memo.dvf.part", "notes.txt", "notes.txt.part"}));
}

// 16 MiB on a recorder slowed to 20 ms a block: over ten seconds of fetching.
constexpr std::size_t kSlowFileBytes = 16u << 20;

TEST_F(VoxctlPcFiles, TerminateAndHangupCancelAFetchAndLeaveNoTemporaryFile) {
    putOnRecorder("big.dvf", kSlowFileBytes, 3);
    const std::string back = sandbox.pcPath("back");
    writeFile(back + "/big.dvf", "the PC's own copy");
    for (int signal : {SIGTERM, SIGHUP}) {
        sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", "slow-us=20000");
        const pid_t child = sandbox.start({"get", "--force", "HD/big.dvf", back});
        ASSERT_TRUE(sandbox.waitUntilCatchingInterrupt(child));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        kill(child, signal);
        const auto signalled = std::chrono::steady_clock::now();
        const Finished finished = sandbox.wait(child);
        EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(8));
        sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", "");

        EXPECT_EQ(finished.status, 130) << "signal " << signal;
        EXPECT_EQ(finished.err, "voxctl: Up/Download canceled.\n");
        EXPECT_EQ(namesIn(back), std::vector<std::string>{"big.dvf"}) << "signal " << signal;
        EXPECT_EQ(readFile(back + "/big.dvf"), "the PC's own copy");
    }
}

}  // namespace
}  // namespace vox::voxctl::testing
