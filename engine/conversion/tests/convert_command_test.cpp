#include "engine/conversion/convert_command.h"

#include <gtest/gtest.h>

using namespace vox::conversion;
using Action = ConvertDecision::Action;

namespace {

ConvertDecision decide(std::vector<std::string> names, ConvertDirection direction, int quality = 1,
                       bool running = false, const std::string& existing = "") {
    ConvertSelection selection{std::move(names), "/home/u/voice/", direction, quality, running};
    return decideConvert(selection, [&](const std::string& path) { return path == existing; });
}

}  // namespace

TEST(ConvertCommand, NamesTheDestinationAfterQualityAndDirection) {
    EXPECT_EQ(destinationName("TALK.WAV", ConvertDirection::WavToDvf, 2), "TALK_HQ.DVF");
    EXPECT_EQ(destinationName("talk.wav", ConvertDirection::WavToDvf, 0), "talk_LP.DVF");
    EXPECT_EQ(destinationName("talk.wav", ConvertDirection::WavToDvf, 1), "talk_SP.DVF");
    EXPECT_EQ(destinationName("talk.wav", ConvertDirection::WavToDvf, 7), "talk_SP.DVF");
    EXPECT_EQ(destinationName("talk.wav", ConvertDirection::WavToDvf, -1), "talk_SP.DVF");
    EXPECT_EQ(destinationName("memo.dvf", ConvertDirection::DvfToWav, 0), "memo.WAV");
    EXPECT_EQ(destinationName("A.DVF.TXT", ConvertDirection::DvfToWav, 0), "A.DVF.WAV");
    // The last four characters go, not four bytes of a multibyte name.
    EXPECT_EQ(destinationName("r\xC3\xA9.w\xC3\xA4v", ConvertDirection::WavToDvf, 1),
              "r\xC3\xA9_SP.DVF");
}

TEST(ConvertCommand, ExtensionTestLooksAnywhereInTheUpperCasedName) {
    EXPECT_TRUE(passesExtensionTest("A.DVF.TXT", ConvertDirection::DvfToWav));
    EXPECT_TRUE(passesExtensionTest("memo.dvf", ConvertDirection::DvfToWav));
    EXPECT_TRUE(passesExtensionTest("x.Wav", ConvertDirection::WavToDvf));
    EXPECT_FALSE(passesExtensionTest("memo.dvf", ConvertDirection::WavToDvf));
    EXPECT_FALSE(passesExtensionTest("song.mp3", ConvertDirection::DvfToWav));
    EXPECT_FALSE(passesExtensionTest("dvf", ConvertDirection::DvfToWav));
}

TEST(ConvertCommand, RefusesWrongSelectionsRunningWorkersAndOtherTypes) {
    EXPECT_EQ(decide({}, ConvertDirection::WavToDvf).action, Action::Ignore);
    EXPECT_EQ(decide({"a.wav", "b.wav"}, ConvertDirection::WavToDvf).action, Action::Ignore);

    const auto running = decide({"a.wav"}, ConvertDirection::WavToDvf, 1, true);
    EXPECT_EQ(running.action, Action::ShowMessage);
    EXPECT_EQ(running.message, "Converting Now!!!");

    const auto wrongType = decide({"song.mp3"}, ConvertDirection::WavToDvf);
    EXPECT_EQ(wrongType.action, Action::ShowMessage);
    EXPECT_EQ(wrongType.message, "This type of file can not be converted.");
}

TEST(ConvertCommand, StartsWithPathsInTheWorkingDirectoryOrAsksBeforeOverwriting) {
    const auto start = decide({"TALK.WAV"}, ConvertDirection::WavToDvf, 2);
    EXPECT_EQ(start.action, Action::Start);
    EXPECT_EQ(start.request.direction, ConvertDirection::WavToDvf);
    EXPECT_EQ(start.request.sourcePath, "/home/u/voice/TALK.WAV");
    EXPECT_EQ(start.request.destinationPath, "/home/u/voice/TALK_HQ.DVF");

    const auto ask =
        decide({"memo.dvf"}, ConvertDirection::DvfToWav, 1, false, "/home/u/voice/memo.WAV");
    EXPECT_EQ(ask.action, Action::AskOverwrite);
    EXPECT_EQ(ask.request.direction, ConvertDirection::DvfToWav);
    EXPECT_EQ(ask.message,
              "Already \"/home/u/voice/memo.WAV\" exist. It will be overwrited.\nDo want to you "
              "continue?");
}
