// What encode and decode leave behind: an input that is not a voice file
// gives a message and no output; an output that would be its own input is
// refused; an old output is replaced only by a whole
// new one, whatever instant the command is stopped at; Ctrl-C, SIGTERM and
// SIGHUP cancel and leave nothing of the conversion's own.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <thread>
#include <utility>

#include "tools/voxctl/tests/voxctl_process.h"

namespace vox::voxctl::testing {
namespace {

TEST(VoxctlConversionOutputs, AFileThatIsNotVoiceFailsWithAMessageAndNoOutput) {
    VoxctlSandbox sandbox;
    writeFile(sandbox.pcPath("EMPTY.DVF"), "");
    writeFile(sandbox.pcPath("NOISE.DVF"), patternBytes(5000, 7));
    for (const char* name : {"EMPTY", "NOISE"}) {
        const std::string source = sandbox.pcPath(std::string(name) + ".DVF");
        const Finished decoded = sandbox.run({"decode", source});
        EXPECT_EQ(decoded.status, 5) << name;
        EXPECT_EQ(decoded.err,
                  "voxctl: \"" + source + "\" is not a voice file: it has no valid first block.\n");
    }
    EXPECT_EQ(namesIn(sandbox.pcPath("")), (std::vector<std::string>{"EMPTY.DVF", "NOISE.DVF"}));
}

// A WAV the encoder cannot take is named, with what is wrong with it, before
// the program's own text.
TEST(VoxctlConversionOutputs, AWavThatCannotBeEncodedIsNamedWithTheCause) {
    VoxctlSandbox sandbox;
    writeFile(sandbox.pcPath("noise.wav"), patternBytes(300, 3));
    writeFile(sandbox.pcPath("stereo.wav"), wave(2, 8000, 100));
    writeFile(sandbox.pcPath("silent.wav"), wave(1, 8000, 0));
    const std::string unsupported =
        ". The converting only supports 8KHz, 16bit, Mono Wave data only !!\n";
    const std::pair<const char*, std::string> cases[] = {
        {"noise.wav", "not a WAVE file with a format and a data chunk"},
        {"stereo.wav", "2 channel(s), 8000 Hz, 32000 bytes a second"},
        {"silent.wav", "it holds no audio"},
    };
    for (const auto& [name, cause] : cases) {
        const Finished encoded = sandbox.run({"encode", sandbox.pcPath(name)});
        EXPECT_EQ(encoded.status, 5) << name;
        EXPECT_EQ(encoded.err, "voxctl: " + sandbox.pcPath(name) + ": " + cause + unsupported);
    }
    EXPECT_EQ(namesIn(sandbox.pcPath("")),
              (std::vector<std::string>{"noise.wav", "silent.wav", "stereo.wav"}));
}

// An output is never written over its own input, whether the names are the
// same or two names lead to one file; the message says so, with or without
// --force.
TEST(VoxctlConversionOutputs, AnOutputThatIsItsOwnInputIsRefusedWhateverItsName) {
    VoxctlSandbox sandbox;
    writeFile(sandbox.pcPath("talk.wav"), wave(1, 8000, 8000));
    ASSERT_EQ(sandbox.run({"encode", sandbox.pcPath("talk.wav")}).status, 0);
    const std::string voice = readFile(sandbox.pcPath("talk_SP.DVF"));
    writeFile(sandbox.pcPath("memo.DVF.WAV"), voice);
    std::filesystem::create_hard_link(sandbox.pcPath("talk_SP.DVF"), sandbox.pcPath("talk_SP.WAV"));
    for (const char* name : {"memo.DVF.WAV", "talk_SP.DVF"}) {
        const std::string source = sandbox.pcPath(name);
        const std::string output = source.substr(0, source.size() - 4) + ".WAV";
        for (bool force : {false, true}) {
            std::vector<std::string> arguments{"decode", source};
            if (force) arguments.push_back("--force");
            const Finished decoded = sandbox.run(arguments);
            EXPECT_EQ(decoded.status, 5) << name << " " << force;
            EXPECT_EQ(decoded.err, "voxctl: \"" + output +
                                       "\" would be both the file converted and its output; it "
                                       "is left as it is.\n")
                << name << " " << force;
            EXPECT_EQ(readFile(source), voice) << name << " " << force;
        }
    }
}

// A folder, a FIFO or a device given as input is named with what it is; a
// FIFO is never opened, so nothing waits for a writer.
TEST(VoxctlConversionOutputs, AnInputThatIsNotAFileIsNamedWithWhatItIs) {
    VoxctlSandbox sandbox;
    std::filesystem::create_directory(sandbox.pcPath("folder.wav"));
    ASSERT_EQ(::mkfifo(sandbox.pcPath("pipe.wav").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/null", sandbox.pcPath("null.wav"));
    const std::pair<const char*, const char*> inputs[] = {
        {"folder.wav", "is a folder, not a file"},
        {"pipe.wav", "is a FIFO or socket, not a file"},
        {"null.wav", "is a device, not a file"},
        {"missing.wav", "no such file"}};
    for (const auto& [name, reason] : inputs) {
        const Finished encoded = sandbox.run({"encode", sandbox.pcPath(name)});
        EXPECT_EQ(encoded.status, 7) << name;
        EXPECT_EQ(encoded.err, "voxctl: " + sandbox.pcPath(name) + ": " + reason + "\n");
    }
}

// A full disk is reported with the file and the system's reason, and
// nothing of the conversion stays. The small file system is mounted when
// this runs as root; elsewhere the test is skipped.
TEST(VoxctlConversionOutputs, AFullDiskIsReportedWithItsReason) {
    VoxctlSandbox sandbox;
    const std::string small = sandbox.pcPath("small");
    const SmallFileSystem disk(small);
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small file system here: " << disk.error();
    writeFile(sandbox.pcPath("talk.wav"), wave(1, 8000, 8000 * 30));
    ASSERT_EQ(sandbox.run({"encode", sandbox.pcPath("talk.wav")}).status, 0);
    std::filesystem::copy_file(sandbox.pcPath("talk_SP.DVF"), small + "/talk_SP.DVF");

    const Finished decoded = sandbox.run({"decode", small + "/talk_SP.DVF"});
    EXPECT_EQ(decoded.status, 7);
    EXPECT_EQ(decoded.err, "voxctl: converting \"" + small + "/talk_SP.DVF\" to \"" + small +
                               "/talk_SP.WAV\" failed: " + small +
                               "/talk_SP.WAV: No space left on device\n");
    EXPECT_EQ(namesIn(small), std::vector<std::string>{"talk_SP.DVF"});
}

// A minute of sound: long enough to be stopped half-way.
constexpr int kMinuteOfSamples = 8000 * 60;

class StoppedConversion : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        writeFile(sandbox.pcPath("talk.wav"), wave(1, 8000, kMinuteOfSamples));
        ASSERT_EQ(sandbox.run({"encode", sandbox.pcPath("talk.wav")}).status, 0);
        const bool encoding = std::string(GetParam()) == "encode";
        source = sandbox.pcPath(encoding ? "talk.wav" : "talk_SP.DVF");
        output = sandbox.pcPath(encoding ? "talk_SP.DVF" : "talk_SP.WAV");
        if (!encoding) {
            ASSERT_EQ(sandbox.run({"decode", source}).status, 0);
        }
        whole = readFile(output);
        writeFile(output, "the old output");
        folderBefore = namesIn(sandbox.pcPath(""));
    }

    // The output is the old one or a whole new one.
    void expectOldOrWhole(const std::string& when) {
        const std::string now = readFile(output);
        EXPECT_TRUE(now == "the old output" || now == whole)
            << when << ": an output of " << now.size() << " bytes";
    }

    VoxctlSandbox sandbox;
    std::string source, output, whole;
    std::vector<std::string> folderBefore;
};

TEST_P(StoppedConversion, KillNineAtRandomInstantsKeepsTheOldOutputOrAWholeNewOne) {
    std::mt19937 random(1209);
    std::uniform_int_distribution<int> instantMs(0, 400);
    for (int round = 0; round < 5; ++round) {
        const pid_t child = sandbox.start({GetParam(), source, "--force"});
        std::this_thread::sleep_for(std::chrono::milliseconds(instantMs(random)));
        kill(child, SIGKILL);
        sandbox.wait(child);
        expectOldOrWhole("round " + std::to_string(round));
        writeFile(output, "the old output");
    }
}

TEST_P(StoppedConversion, InterruptsCancelAndLeaveNothingBehind) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const pid_t child = sandbox.start({GetParam(), source, "--force"});
        ASSERT_TRUE(sandbox.waitUntilCatchingInterrupt(child));
        kill(child, signal);
        const Finished finished = sandbox.wait(child);
        const std::string when = "signal " + std::to_string(signal);
        if (finished.status == 130) {
            EXPECT_EQ(finished.err, "voxctl: Conversion canceled.\n") << when;
            EXPECT_EQ(readFile(output), "the old output") << when;
        } else {
            // The conversion was done before the signal came: it ended
            // normally and said so, or the signal ended the process after
            // the work, once the handlers were gone.
            EXPECT_TRUE(finished.status == 0 || finished.status == -signal)
                << when << ": " << finished.status << " " << finished.err;
            if (finished.status == 0) {
                EXPECT_EQ(finished.out, output + "\n") << when;
            }
            EXPECT_EQ(readFile(output), whole) << when;
        }
        EXPECT_EQ(namesIn(sandbox.pcPath("")), folderBefore) << when;
        writeFile(output, "the old output");
    }
}

INSTANTIATE_TEST_SUITE_P(Both, StoppedConversion, ::testing::Values("encode", "decode"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace vox::voxctl::testing
