// voxctl end to end over the libusb path: the built binary with no simulator
// setting, so that it reaches the recorder through libusb, and the libusb
// stand-in loaded ahead of libusb with the recorder model behind it.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tools/voxctl/tests/voxctl_process.h"

namespace vox::voxctl::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kUsbFailed = "voxctl: USB communicationn failed.\n";

class VoxctlOverLibusb : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(sandbox.run({"sim", "create", sandbox.image(), "--empty"}).status, 0);
        reachThroughLibusbStandin(sandbox, LIBUSB_STANDIN_PATH);
        sandbox.setEnvironment("LIBUSB_STANDIN_LOG", log());
        std::filesystem::create_directory(sandbox.pcPath("back"));
    }

    std::string log() const { return sandbox.folder() + "/usb.log"; }
    void faults(const std::string& usb) { sandbox.setEnvironment("LIBUSB_STANDIN_FAULTS", usb); }

    Finished expectOk(const std::vector<std::string>& arguments) {
        Finished finished = sandbox.run(arguments);
        EXPECT_EQ(finished.status, 0) << arguments[0] << ": " << finished.err;
        return finished;
    }
    std::string listed(const std::string& folder) {
        faults("");
        return expectOk({"ls", folder}).out;
    }
    // Waits until the stand-in logged `line` (a stage got stuck).
    bool waitForLogLine(const std::string& line) {
        const auto deadline = Clock::now() + 60s;
        while (Clock::now() < deadline) {
            if (readFile(log()).find(line + "\n") != std::string::npos) return true;
            std::this_thread::sleep_for(5ms);
        }
        return false;
    }

    VoxctlSandbox sandbox;
};

TEST_F(VoxctlOverLibusb, PutListGetDeleteFormatAndImportAreByteExact) {
    const std::string memo = patternBytes(100000, 1), note = patternBytes(3, 2);
    writeFile(sandbox.pcPath("memo.dvf"), memo);
    writeFile(sandbox.pcPath("note.dvf"), note);
    expectOk({"put", sandbox.pcPath("memo.dvf"), sandbox.pcPath("note.dvf"), "A"});
    const std::string rows = listed("A");
    EXPECT_NE(rows.find("memo.dvf"), std::string::npos) << rows;
    EXPECT_NE(rows.find("note.dvf"), std::string::npos) << rows;

    expectOk({"get", "A/memo.dvf", "A/note.dvf", sandbox.pcPath("back")});
    EXPECT_TRUE(readFile(sandbox.pcPath("back/memo.dvf")) == memo);
    EXPECT_EQ(readFile(sandbox.pcPath("back/note.dvf")), note);

    expectOk({"import", sandbox.pcPath("import"), "--name", "{name}"});
    EXPECT_TRUE(readFile(sandbox.pcPath("import/A/memo.dvf")) == memo);
    EXPECT_EQ(readFile(sandbox.pcPath("import/A/note.dvf")), note);

    expectOk({"rm", "A/note.dvf"});
    EXPECT_EQ(listed("A").find("note.dvf"), std::string::npos);
    expectOk({"format", "--yes"});
    EXPECT_EQ(listed("A"), "");
}

// Each fault of the USB layer in the middle of a get and of a put: the
// program's message and status, the PC's copy and the recorder's folder as
// before, and the next command works again.
TEST_F(VoxctlOverLibusb, AFailedStageEndsTheTransferAndLosesNothing) {
    const std::string body = patternBytes(200000, 3);
    writeFile(sandbox.pcPath("long.dvf"), body);
    expectOk({"put", sandbox.pcPath("long.dvf"), "HD"});
    const std::string before = listed("HD");
    for (const char* kind : {"gone", "stall", "stall-sticks", "timeout", "overflow"}) {
        SCOPED_TRACE(kind);
        writeFile(sandbox.pcPath("back/long.dvf"), "the PC's own copy");
        faults(std::string("in-after=70000:") + kind);
        const Finished got = sandbox.run({"get", "--force", "HD/long.dvf", sandbox.pcPath("back")});
        EXPECT_EQ(got.status, 8);
        EXPECT_EQ(got.err, kUsbFailed);
        EXPECT_TRUE(readFile(sandbox.pcPath("back/long.dvf")) == "the PC's own copy");
        EXPECT_EQ(namesIn(sandbox.pcPath("back")), std::vector<std::string>{"long.dvf"});

        faults(std::string("out-after=70000:") + kind);
        const Finished put = sandbox.run({"put", sandbox.pcPath("long.dvf"), "A"});
        EXPECT_EQ(put.status, 8);
        EXPECT_EQ(put.err, kUsbFailed);
        EXPECT_EQ(listed("A"), "");
        EXPECT_EQ(listed("HD"), before);
    }
    const std::string usb = readFile(log());
    EXPECT_NE(usb.find("clear_halt 0x83\n"), std::string::npos);
    EXPECT_NE(usb.find("reset_device\n"), std::string::npos);
}

// Short and zero-length packets are no failure: the stages go on behind
// what arrived, and the copies are whole.
TEST_F(VoxctlOverLibusb, ShortAndZeroLengthPacketsLoseNoByte) {
    const std::string body = patternBytes(100000, 5);
    writeFile(sandbox.pcPath("long.dvf"), body);
    expectOk({"put", sandbox.pcPath("long.dvf"), "HD"});
    // Only the recorder sends packets shorter than asked for.
    sandbox.setEnvironment("LIBUSB_STANDIN_MODEL_FAULTS", "short-stages=100");
    faults("in-after=40000:zero");
    expectOk({"get", "HD/long.dvf", sandbox.pcPath("back")});
    EXPECT_TRUE(readFile(sandbox.pcPath("back/long.dvf")) == body);
}

TEST_F(VoxctlOverLibusb, ARecorderThatCannotBeOpenedOrClaimedIsNotFound) {
    for (const char* kind : {"open-access", "claim-busy", "kernel-driver,claim-busy"}) {
        SCOPED_TRACE(kind);
        faults(kind);
        const Finished finished = sandbox.run({"ls", "A"});
        EXPECT_EQ(finished.status, 3);
        EXPECT_NE(finished.err.find("The recorder not found!!!"), std::string::npos)
            << finished.err;
    }
}

TEST_F(VoxctlOverLibusb, CtrlCEndsAStuckGetWithinASecond) {
    const std::string body = patternBytes(200000, 4);
    writeFile(sandbox.pcPath("long.dvf"), body);
    expectOk({"put", sandbox.pcPath("long.dvf"), "HD"});
    writeFile(sandbox.pcPath("back/long.dvf"), "the PC's own copy");

    faults("in-after=70000:stuck");
    const pid_t child = sandbox.start({"get", "--force", "HD/long.dvf", sandbox.pcPath("back")});
    ASSERT_TRUE(waitForLogLine("stuck in"));
    kill(child, SIGINT);
    const auto interrupted = Clock::now();
    const Finished finished = sandbox.wait(child);
    EXPECT_LT(Clock::now() - interrupted, 1s);
    // The recorder did not answer: that is what the user is told.
    EXPECT_EQ(finished.status, 8);
    EXPECT_EQ(finished.err, kUsbFailed);
    EXPECT_TRUE(readFile(sandbox.pcPath("back/long.dvf")) == "the PC's own copy");
    EXPECT_EQ(namesIn(sandbox.pcPath("back")), std::vector<std::string>{"long.dvf"});
    EXPECT_NE(listed("HD").find("long.dvf"), std::string::npos);
}

TEST_F(VoxctlOverLibusb, WatchImportsWhenHotPlugReportsTheRecorder) {
    const std::string memo = patternBytes(50000, 6);
    writeFile(sandbox.pcPath("memo.dvf"), memo);
    expectOk({"put", sandbox.pcPath("memo.dvf"), "A"});
    ASSERT_EQ(sandbox.run({"sim", "unplug", sandbox.image()}).status, 0);

    const pid_t watch =
        sandbox.start({"import", "--watch", sandbox.pcPath("import"), "--name", "{name}"});
    ASSERT_TRUE(sandbox.waitUntilCatchingInterrupt(watch));
    EXPECT_EQ(sandbox.outputSoFar(watch).find("imported "), std::string::npos);
    ASSERT_EQ(sandbox.run({"sim", "plug", sandbox.image()}).status, 0);
    const auto deadline = Clock::now() + 30s;
    while (sandbox.outputSoFar(watch).find("imported ") == std::string::npos &&
           Clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    kill(watch, SIGINT);
    const Finished ended = sandbox.wait(watch);
    EXPECT_EQ(ended.status, 130) << ended.err;
    EXPECT_NE(ended.out.find("imported 1 file(s)"), std::string::npos) << ended.out;
    EXPECT_TRUE(readFile(sandbox.pcPath("import/A/memo.dvf")) == memo);
}

}  // namespace
}  // namespace vox::voxctl::testing
