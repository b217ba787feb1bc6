// voxctl when things go wrong: refusals, Ctrl-C, an unplugged recorder and
// hostile names on the recorder. Each failure is one line on stderr with its
// own exit status, and whatever was on either side before stays intact.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "recorder_model/recorder.h"
#include "tools/voxctl/tests/voxctl_process.h"

namespace vox::voxctl::testing {
namespace {

class VoxctlFailures : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(sandbox.run({"sim", "create", sandbox.image(), "--empty"}).status, 0);
    }

    // Runs a command that must fail with `status`, its last line on stderr
    // being exactly `message` (the lines before it are the simulator's).
    void expectFailure(const std::vector<std::string>& arguments, int status,
                       const std::string& message) {
        const Finished finished = sandbox.run(arguments);
        EXPECT_EQ(finished.status, status) << arguments[0] << ": " << finished.err;
        const std::size_t lineStart = finished.err.rfind('\n', finished.err.size() - 2);
        EXPECT_EQ(finished.err.substr(lineStart == std::string::npos ? 0 : lineStart + 1),
                  "voxctl: " + message + "\n");
    }

    // Seeds files straight into the image's file system.
    void seed(const std::string& folder, const std::string& shortName, std::u16string longName,
              std::size_t bytes) {
        std::string error;
        auto recorder = model::Recorder::openImage(sandbox.image(), error);
        ASSERT_TRUE(recorder) << error;
        std::vector<std::uint8_t> content(bytes, 0x5A);
        ASSERT_TRUE(recorder->fileSystem().addFile('M', folder, shortName, std::move(longName),
                                                   std::move(content), model::FatStamp::now(),
                                                   error))
            << error;
        ASSERT_TRUE(recorder->save(error)) << error;
    }

    std::string listed(const std::string& folder) {
        const Finished finished = sandbox.run({"ls", folder});
        EXPECT_EQ(finished.status, 0) << finished.err;
        return finished.out;
    }

    VoxctlSandbox sandbox;
};

TEST_F(VoxctlFailures, TransferRulesRefuseWithTheProgramsTexts) {
    writeFile(sandbox.pcPath("memo.DVF"), "10 bytes..");
    expectFailure({"put", sandbox.pcPath("memo.DVF"), "MP3"}, 5,
                  "Error : Please select MP3 file (*.mp3) or WMA file ( *.wma)");
    writeFile(sandbox.pcPath("song.mp3"), "10 bytes..");
    expectFailure({"put", sandbox.pcPath("song.mp3"), "A"}, 5,
                  "Error : Please select voice file (*.dvf)");
    EXPECT_EQ(sandbox.run({"put", sandbox.pcPath("memo.DVF"), "HD"}).status, 0);

    writeFile(sandbox.pcPath("empty.dvf"), "");
    expectFailure({"put", sandbox.pcPath("empty.dvf"), "A"}, 5,
                  "Please select a file, Not directory.");
    std::filesystem::create_directory(sandbox.pcPath("folder.dvf"));
    expectFailure({"put", sandbox.pcPath("folder.dvf"), "A"}, 5,
                  "Please select a file, Not directory.");
    EXPECT_EQ(listed("A"), "");
}

TEST_F(VoxctlFailures, FolderLimitAndFreeSpace) {
    for (int i = 0; i < 97; ++i) seed("B", "F" + std::to_string(i) + ".DVF", u"", 10);
    std::vector<std::string> three{"put"};
    for (const char* name : {"x.dvf", "y.dvf", "z.dvf"}) {
        writeFile(sandbox.pcPath(name), "data");
        three.push_back(sandbox.pcPath(name));
    }
    three.push_back("B");
    expectFailure(three, 5, "Error : Maximum 99 files can store in each folder.");
    three.erase(three.begin() + 3);
    EXPECT_EQ(sandbox.run(three).status, 0);

    // Leave exactly 65,536 bytes free, then offer one byte more.
    const std::string json = sandbox.run({"ls", "C", "--json"}).out;
    const std::size_t at = json.find("\"freeBytes\":") + 12;
    const std::uint64_t freeBytes = std::stoull(json.substr(at));
    seed("HD", "FILLER.BIN", u"", freeBytes - 65536);
    writeFile(sandbox.pcPath("big.dvf"), std::string(65537, 'b'));
    expectFailure({"put", sandbox.pcPath("big.dvf"), "C"}, 5,
                  "Selected files is bigger than free memory.  ( 32.0KB over )");
    writeFile(sandbox.pcPath("fits.dvf"), std::string(65536, 'f'));
    EXPECT_EQ(sandbox.run({"put", sandbox.pcPath("fits.dvf"), "C"}).status, 0);
}

TEST_F(VoxctlFailures, EveryErrorHasItsLineAndStatus) {
    expectFailure({"ls", "D"}, 2,
                  "unknown recorder folder \"D\" (the folders are A, B, C, MP3 and HD)");
    expectFailure({"put", sandbox.pcPath("x")}, 2,
                  "put needs at least one PC file and a recorder folder");
    expectFailure({"rm", "MEMO.DVF"}, 2, "\"MEMO.DVF\" is not FOLDER/NAME, e.g. A/MEMO.DVF");
    expectFailure({"get", "A/NOPE.DVF"}, 6, "no file \"NOPE.DVF\" in recorder folder A");
    expectFailure({"rm", "HD/NOPE"}, 6, "no file \"NOPE\" in recorder folder HD");
    expectFailure({"put", sandbox.pcPath("absent.dvf"), "A"}, 7,
                  sandbox.pcPath("absent.dvf") + ": No such file or directory");
    expectFailure({"get", "A/X.DVF", sandbox.pcPath("absent/")}, 7,
                  sandbox.pcPath("absent/") + " is not a PC folder");

    const Finished usage = sandbox.run({"frobnicate"});
    EXPECT_EQ(usage.status, 2);
    const Finished help = sandbox.run({"put", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Exit status:"), std::string::npos);
    EXPECT_NE(help.out.find("130 cancelled with Ctrl-C"), std::string::npos);

    // The recorder refuses to remove a folder that is not empty.
    ASSERT_EQ(sandbox.run({"mkdir", "HD/KEEP"}).status, 0);
    seed("HD/KEEP", "INSIDE.TXT", u"", 5);
    expectFailure({"rmdir", "HD/KEEP"}, 9,
                  "the recorder refused to remove folder \"KEEP\" (outcome 7)");

    // An image that is not a recorder's: nothing answers, and the line says why.
    writeFile(sandbox.image(), "not an image");
    expectFailure(
        {"info"}, 3,
        "VXR250_SIMULATOR: recorder image " + sandbox.image() + " is not a recorder image");
    // Without a simulated recorder and with no real one, the recorder's own text.
    sandbox.setEnvironment("VXR250_SIMULATOR", "");
    expectFailure({"info"}, 3, "The recorder not found!!!");
}

TEST_F(VoxctlFailures, UnplugDuringPutLeavesTheRecorderAsItWas) {
    writeFile(sandbox.pcPath("keep.dvf"), patternBytes(5000, 3));
    ASSERT_EQ(sandbox.run({"put", sandbox.pcPath("keep.dvf"), "A"}).status, 0);
    const std::string before = listed("A");

    writeFile(sandbox.pcPath("long.dvf"), patternBytes(300000, 4));
    sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", "unplug-after-bytes=100000");
    expectFailure({"put", sandbox.pcPath("long.dvf"), "A"}, 8, "USB communicationn failed.");
    sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", "");
    EXPECT_EQ(listed("A"), before);
    EXPECT_EQ(readFile(sandbox.pcPath("long.dvf")), patternBytes(300000, 4));
}

// 16 MiB: 512 blocks, which at 20 ms each would take over ten seconds.
constexpr std::size_t kSlowFileBytes = 16u << 20;

// Starts `arguments` on a slowed recorder and presses Ctrl-C once the
// transfer is under way. The command must then end within a few blocks and
// the recorder's 2.6 s of settling, long before the transfer could finish.
Finished interruptedRun(VoxctlSandbox& sandbox, const std::vector<std::string>& arguments) {
    sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", "slow-us=20000");
    const pid_t child = sandbox.start(arguments);
    EXPECT_TRUE(sandbox.waitUntilCatchingInterrupt(child));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(child, SIGINT);
    const auto interrupted = std::chrono::steady_clock::now();
    Finished finished = sandbox.wait(child);
    EXPECT_LT(std::chrono::steady_clock::now() - interrupted, std::chrono::seconds(8));
    sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", "");
    return finished;
}

TEST_F(VoxctlFailures, CtrlCCancelsAPutCleanly) {
    writeFile(sandbox.pcPath("keep.dvf"), patternBytes(5000, 3));
    ASSERT_EQ(sandbox.run({"put", sandbox.pcPath("keep.dvf"), "A"}).status, 0);
    const std::string before = listed("A");
    writeFile(sandbox.pcPath("big.dvf"), patternBytes(kSlowFileBytes, 5));

    const Finished cancelled = interruptedRun(sandbox, {"put", sandbox.pcPath("big.dvf"), "A"});
    EXPECT_EQ(cancelled.status, 130);
    EXPECT_EQ(cancelled.err, "voxctl: Up/Download canceled.\n");
    EXPECT_EQ(listed("A"), before);
    EXPECT_EQ(readFile(sandbox.pcPath("big.dvf")), patternBytes(kSlowFileBytes, 5));
}

TEST_F(VoxctlFailures, CtrlCCancelsAGetAndKeepsThePcFile) {
    writeFile(sandbox.pcPath("big.dvf"), patternBytes(kSlowFileBytes, 6));
    ASSERT_EQ(sandbox.run({"put", sandbox.pcPath("big.dvf"), "HD"}).status, 0);
    const std::string before = listed("HD");
    std::filesystem::create_directory(sandbox.pcPath("back"));
    writeFile(sandbox.pcPath("back/big.dvf"), "the PC's own copy");

    const Finished cancelled =
        interruptedRun(sandbox, {"get", "--force", "HD/big.dvf", sandbox.pcPath("back")});
    EXPECT_EQ(cancelled.status, 130);
    EXPECT_EQ(cancelled.err, "voxctl: Up/Download canceled.\n");
    EXPECT_EQ(namesIn(sandbox.pcPath("back")), std::vector<std::string>{"big.dvf"});
    EXPECT_EQ(readFile(sandbox.pcPath("back/big.dvf")), "the PC's own copy");
    EXPECT_EQ(listed("HD"), before);
}

TEST_F(VoxctlFailures, RecorderNamesNeverLeaveTheTargetFolder) {
    seed("HD", "UP.TXT", u"../../x", 7);
    seed("HD", "SLASH.TXT", u"a/b", 7);
    seed("HD", "DOTS.TXT", u"..", 7);
    seed("HD", "FINE.TXT", u"fine.txt", 7);
    seed("HD", "CLEAR.TXT", u"\x1b[2Jclear.txt", 7);
    const std::string deep = sandbox.pcPath("one/two");
    std::filesystem::create_directories(deep);

    for (const char* hostile : {"../../x", "a/b", ".."}) {
        const Finished refused =
            sandbox.run({"get", "HD/fine.txt", std::string("HD/") + hostile, deep});
        EXPECT_EQ(refused.status, 5) << hostile;
        EXPECT_EQ(refused.err, "voxctl: Error : The recorder file name \"" + std::string(hostile) +
                                   "\" cannot be used as a PC file name.\n");
    }
    // Nothing was written anywhere: not even the harmless file of the batch.
    EXPECT_TRUE(namesIn(deep).empty());
    EXPECT_EQ(namesIn(sandbox.pcPath("one")), std::vector<std::string>{"two"});
    EXPECT_FALSE(exists(sandbox.pcPath("x")));
    EXPECT_FALSE(exists(sandbox.pcPath("one/a")));
    // A listing never sends the terminal a control sequence.
    const std::string shown = listed("HD");
    EXPECT_EQ(shown.find('\x1b'), std::string::npos);
    EXPECT_NE(shown.find("?[2Jclear.txt"), std::string::npos) << shown;

    EXPECT_EQ(sandbox.run({"get", "HD/fine.txt", deep}).status, 0);
    EXPECT_EQ(namesIn(deep), std::vector<std::string>{"fine.txt"});
}

// A PC disk too full for a fetched file: the file and the system's reason
// are named, and nothing of the copy stays. The small file system is
// mounted when this runs as root; elsewhere the test is skipped.
TEST_F(VoxctlFailures, AFullPcDiskIsNamedWithItsReason) {
    const std::string small = sandbox.pcPath("small");
    const SmallFileSystem disk(small);
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small file system here: " << disk.error();
    seed("HD", "BIG.BIN", u"", 200000);
    expectFailure({"get", "HD/BIG.BIN", small}, 7,
                  "File open failed. " + small + "/BIG.BIN: No space left on device");
    EXPECT_TRUE(namesIn(small).empty());
}

}  // namespace
}  // namespace vox::voxctl::testing
