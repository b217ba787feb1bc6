// Replacing a recorder file with put --force: whatever stops the command
// (an unplug at any step, a refused CREATE, Ctrl-C, kill -9), the recorder
// holds a whole copy of the file, the old or the new one; a replaced file
// keeps its place in the play order; a full folder is refused unless the
// user accepts the old way.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "recorder_model/recorder.h"
#include "tools/voxctl/tests/voxctl_process.h"

namespace vox::voxctl::testing {
namespace {

constexpr std::size_t kOldBytes = 100000;
constexpr std::size_t kNewBytes = 150000;

class VoxctlOverwrite : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(sandbox.pcPath("back"));
        freshRecorder();
    }

    // A new recorder holding the old memo.dvf and a file after it; the PC's
    // memo.dvf is the new one.
    void freshRecorder() {
        std::filesystem::remove(sandbox.image());
        ASSERT_EQ(sandbox.run({"sim", "create", sandbox.image(), "--empty"}).status, 0);
        writeFile(sandbox.pcPath("memo.dvf"), patternBytes(kOldBytes, 1));
        writeFile(sandbox.pcPath("after.dvf"), patternBytes(10, 2));
        ASSERT_EQ(sandbox.run({"put", sandbox.pcPath("memo.dvf"), sandbox.pcPath("after.dvf"), "A"})
                      .status,
                  0);
        writeFile(sandbox.pcPath("memo.dvf"), patternBytes(kNewBytes, 3));
    }

    std::vector<std::string> namesListed(const std::string& folder) {
        const Finished listed = sandbox.run({"ls", folder});
        EXPECT_EQ(listed.status, 0) << listed.err;
        std::vector<std::string> names;
        std::size_t start = 0;
        while (start < listed.out.size()) {
            const std::size_t end = listed.out.find('\n', start);
            const std::string row = listed.out.substr(start, end - start);
            names.push_back(row.substr(0, row.find("  ")));
            start = end == std::string::npos ? listed.out.size() : end + 1;
        }
        return names;
    }

    // The recorder's memo.dvf, fetched whole: the old or the new content.
    // A kill between the old file's deletion and the rename leaves the new
    // copy whole under its temporary name.
    void expectAWholeCopy(const std::string& when) {
        SCOPED_TRACE(when);
        const std::vector<std::string> names = namesListed("A");
        std::string copy = "memo.dvf";
        if (std::find(names.begin(), names.end(), copy) == names.end()) copy = "VOXNEW1.dvf";
        ASSERT_NE(std::find(names.begin(), names.end(), copy), names.end())
            << "no copy of memo.dvf is left";
        std::filesystem::remove(sandbox.pcPath("back/" + copy));
        const Finished fetched = sandbox.run({"get", "A/" + copy, sandbox.pcPath("back")});
        ASSERT_EQ(fetched.status, 0) << fetched.err;
        const std::string content = readFile(sandbox.pcPath("back/" + copy));
        EXPECT_TRUE(content == patternBytes(kOldBytes, 1) || content == patternBytes(kNewBytes, 3))
            << "a copy of " << content.size() << " bytes";
    }

    Finished putForce(const std::string& faults) {
        sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", faults);
        Finished finished = sandbox.run({"put", "--force", sandbox.pcPath("memo.dvf"), "A"});
        sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", "");
        return finished;
    }

    VoxctlSandbox sandbox;
};

TEST_F(VoxctlOverwrite, AReplacedFileKeepsItsPlaceAndNoTemporaryNameStays) {
    const Finished replaced = putForce("");
    ASSERT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_EQ(namesListed("A"), (std::vector<std::string>{"memo.dvf", "after.dvf"}));
    const Finished fetched = sandbox.run({"get", "A/memo.dvf", sandbox.pcPath("back")});
    ASSERT_EQ(fetched.status, 0) << fetched.err;
    EXPECT_EQ(readFile(sandbox.pcPath("back/memo.dvf")), patternBytes(kNewBytes, 3));
}

TEST_F(VoxctlOverwrite, AnInterruptionAtAnyStepLeavesAWholeCopy) {
    for (const char* faults :
         {"unplug-at=create-reply", "refuse-next-create", "unplug-at=data-block:1",
          "unplug-at=data-block:3", "unplug-at=finish-reply", "unplug-at=command-reply",
          "unplug-after-bytes=60000", "unplug-after-bytes=166000"}) {
        freshRecorder();
        const Finished failed = putForce(faults);
        EXPECT_NE(failed.status, 0) << faults;
        expectAWholeCopy(faults);
    }
}

TEST_F(VoxctlOverwrite, CtrlCAndKillNineAtRandomInstantsLeaveAWholeCopy) {
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> instantMs(0, 800);
    for (int signal : {SIGINT, SIGKILL, SIGINT, SIGKILL}) {
        freshRecorder();
        sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", "slow-us=50000");
        const pid_t child = sandbox.start({"put", "--force", sandbox.pcPath("memo.dvf"), "A"});
        std::this_thread::sleep_for(std::chrono::milliseconds(instantMs(random)));
        kill(child, signal);
        sandbox.wait(child);
        sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", "");
        expectAWholeCopy("signal " + std::to_string(signal));
    }
}

TEST_F(VoxctlOverwrite, AFullFolderIsRefusedUnlessTheOldWayIsAccepted) {
    {
        std::string error;
        auto recorder = model::Recorder::openImage(sandbox.image(), error);
        ASSERT_TRUE(recorder) << error;
        for (int i = 0; i < 97; ++i) {
            const std::string name = "F" + std::to_string(i) + ".DVF";
            ASSERT_TRUE(recorder->fileSystem().addFile('M', "A", name,
                                                       std::u16string(name.begin(), name.end()),
                                                       {1, 2, 3}, model::FatStamp::now(), error))
                << error;
        }
        ASSERT_TRUE(recorder->save(error)) << error;
    }
    const Finished refused = sandbox.run({"put", "--force", sandbox.pcPath("memo.dvf"), "A"});
    EXPECT_EQ(refused.status, 5);
    EXPECT_EQ(refused.err,
              "voxctl: Error : The folder has no room for a second copy while a file is "
              "replaced; the old file would be deleted before the new one is sent. Give "
              "--replace-in-place to replace it that way.\n");
    expectAWholeCopy("refused");

    const Finished inPlace =
        sandbox.run({"put", "--force", "--replace-in-place", sandbox.pcPath("memo.dvf"), "A"});
    ASSERT_EQ(inPlace.status, 0) << inPlace.err;
    const Finished fetched = sandbox.run({"get", "--force", "A/memo.dvf", sandbox.pcPath("back")});
    ASSERT_EQ(fetched.status, 0) << fetched.err;
    EXPECT_EQ(readFile(sandbox.pcPath("back/memo.dvf")), patternBytes(kNewBytes, 3));
}

}  // namespace
}  // namespace vox::voxctl::testing
