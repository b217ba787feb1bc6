#include "engine/rules/download_plan.h"

#include <gtest/gtest.h>

#include "engine/rules/rule_texts.h"

namespace vox::rules {
namespace {

using Kind = DownloadAction::Kind;
using Outcome = DownloadPlan::Outcome;

RecorderListing folderWith(std::size_t files, std::uint32_t freeBytes = 64u << 20) {
    RecorderListing listing;
    listing.totalBytes = 64u << 20;
    listing.freeBytes = freeBytes;
    for (std::size_t i = 0; i < files; ++i) {
        const std::string name = "REC" + std::to_string(i) + ".DVF";
        listing.files.push_back({name,
                                 true,
                                 "REC" + std::to_string(i),
                                 "DVF",
                                 "SHORT" + std::to_string(i),
                                 0x20,
                                 0,
                                 {}});
    }
    return listing;
}

std::vector<PcFile> pcFiles(std::size_t count, const char* extension = ".DVF") {
    std::vector<PcFile> files;
    for (std::size_t i = 0; i < count; ++i)
        files.push_back({"/pc/new" + std::to_string(i) + extension, 10});
    return files;
}

const ConfirmOverwrite kNeverAsked = [](const std::string& question) -> bool {
    ADD_FAILURE() << "unexpected question: " << question;
    return false;
};

TEST(DownloadPlan, FolderAcceptsOnlyItsTypes) {
    const std::vector<PcFile> voice{{"/pc/memo.DVF", 10}};
    const auto intoMusic = planDownload(folderWith(0), RecorderFolder::Mp3, voice, kNeverAsked);
    EXPECT_EQ(intoMusic.outcome, Outcome::Refused);
    EXPECT_EQ(intoMusic.message, texts::kMusicFileOnly);
    EXPECT_TRUE(intoMusic.actions.empty());

    const auto intoHd = planDownload(folderWith(0), RecorderFolder::Hd, voice, kNeverAsked);
    ASSERT_EQ(intoHd.outcome, Outcome::Ready);
    ASSERT_EQ(intoHd.actions.size(), 1u);
    EXPECT_EQ(intoHd.actions[0].kind, Kind::SendPcFile);
    EXPECT_EQ(intoHd.actions[0].name, "/pc/memo.DVF");

    const std::vector<PcFile> song{{"/pc/dir.dvf/song.mp3", 10}};
    EXPECT_EQ(planDownload(folderWith(0), RecorderFolder::B, song, kNeverAsked).message,
              texts::kVoiceFileOnly);
    EXPECT_EQ(planDownload(folderWith(0), RecorderFolder::Mp3, song, kNeverAsked).outcome,
              Outcome::Ready);
}

TEST(DownloadPlan, EmptyFilesAndFoldersAreRefused) {
    const std::vector<PcFile> empty{{"/pc/a.dvf", 10}, {"/pc/empty.dvf", 0}};
    EXPECT_EQ(planDownload(folderWith(0), RecorderFolder::A, empty, kNeverAsked).message,
              texts::kNotAFile);
    const std::vector<PcFile> folder{{"/pc/sub.dvf", 4096, true}};
    EXPECT_EQ(planDownload(folderWith(0), RecorderFolder::A, folder, kNeverAsked).message,
              texts::kNotAFile);
}

TEST(DownloadPlan, FolderHoldsAtMost99Files) {
    EXPECT_EQ(planDownload(folderWith(97), RecorderFolder::A, pcFiles(2), kNeverAsked).outcome,
              Outcome::Ready);
    const auto three = planDownload(folderWith(97), RecorderFolder::A, pcFiles(3), kNeverAsked);
    EXPECT_EQ(three.outcome, Outcome::Refused);
    EXPECT_EQ(three.message, texts::kFolderFull);
}

TEST(DownloadPlan, FreeSpaceIsCheckedInBlocks) {
    const std::vector<PcFile> big{{"/pc/big.dvf", 65537}};
    const auto over = planDownload(folderWith(0, 65536), RecorderFolder::A, big, kNeverAsked);
    EXPECT_EQ(over.outcome, Outcome::Refused);
    EXPECT_EQ(over.message, "Selected files is bigger than free memory.  ( 32.0KB over )");

    const std::vector<PcFile> fits{{"/pc/fits.dvf", 65536}};
    EXPECT_EQ(planDownload(folderWith(0, 65536), RecorderFolder::A, fits, kNeverAsked).outcome,
              Outcome::Ready);
}

TEST(DownloadPlan, FilesPastTheBatchLimitAreNotLookedAt) {
    auto selection = pcFiles(130);
    selection[120].size = 0;
    const auto plan = planDownload(folderWith(0), RecorderFolder::Hd, selection, kNeverAsked);
    EXPECT_EQ(plan.message, texts::kFolderFull);
    EXPECT_EQ(planDownload(folderWith(0), RecorderFolder::Hd, pcFiles(99), kNeverAsked).filesSent,
              99u);
}

TEST(DownloadPlan, OverwriteDeletesOnlyAfterEveryCheckPassed) {
    RecorderListing listing = folderWith(3);
    std::vector<std::string> questions;
    const ConfirmOverwrite agree = [&](const std::string& question) {
        questions.push_back(question);
        return true;
    };

    // The user agrees to replace REC1.DVF, then a later file has a wrong type:
    // nothing at all may happen on the recorder.
    const std::vector<PcFile> mixed{{"/pc/rec1.dvf", 10}, {"/pc/song.mp3", 10}};
    const auto refused = planDownload(listing, RecorderFolder::A, mixed, agree);
    EXPECT_EQ(refused.outcome, Outcome::Refused);
    EXPECT_TRUE(refused.actions.empty());
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0],
              "Already \"/pc/rec1.dvf\" exist. It will be overwrited.\n"
              "Do want to you continue?");

    // A passing command keeps each replaced file until its successor is
    // whole: the send carries the file it replaces and where it stood.
    const std::vector<PcFile> two{{"/pc/new.dvf", 10}, {"/pc/REC2.dvf", 40000}};
    const auto plan = planDownload(listing, RecorderFolder::A, two, agree);
    ASSERT_EQ(plan.outcome, Outcome::Ready);
    ASSERT_EQ(plan.actions.size(), 2u);
    EXPECT_EQ(plan.actions[0].kind, Kind::SendPcFile);
    EXPECT_FALSE(plan.actions[0].replaces);
    EXPECT_EQ(plan.actions[1].kind, Kind::SendPcFile);
    EXPECT_EQ(plan.actions[1].blocks, 2u);
    ASSERT_TRUE(plan.actions[1].replaces);
    EXPECT_EQ(plan.actions[1].replaces->shortName, "SHORT2");
    EXPECT_EQ(plan.actions[1].replaces->row, 2u);
    EXPECT_EQ(plan.totalBlocks, 3u);

    const auto declined =
        planDownload(listing, RecorderFolder::A, two, [](const std::string&) { return false; });
    EXPECT_EQ(declined.outcome, Outcome::Declined);
    EXPECT_TRUE(declined.actions.empty());
}

TEST(DownloadPlan, ReplacingFilesInAFullFolderFitsAndNamesMayNotRepeat) {
    const std::vector<PcFile> replacement{{"/pc/REC5.DVF", 10}};
    const auto agree = [](const std::string&) { return true; };
    // A full folder has no room for the new copy beside the old one: the
    // old way (delete, then send) only when the caller allows it.
    const auto noRoom = planDownload(folderWith(99), RecorderFolder::A, replacement, agree);
    EXPECT_EQ(noRoom.outcome, Outcome::NoRoomForBothCopies);
    EXPECT_EQ(noRoom.message, texts::kNoRoomForBothCopies);
    EXPECT_TRUE(noRoom.actions.empty());
    const auto inPlace = planDownload(folderWith(99), RecorderFolder::A, replacement, agree,
                                      Replacing::InPlaceWhenNoRoom);
    ASSERT_EQ(inPlace.outcome, Outcome::Ready);
    ASSERT_EQ(inPlace.actions.size(), 2u);
    EXPECT_EQ(inPlace.actions[0].kind, Kind::DeleteRecorderFile);
    EXPECT_EQ(inPlace.actions[0].name, "SHORT5");
    EXPECT_EQ(inPlace.actions[1].kind, Kind::SendPcFile);
    EXPECT_FALSE(inPlace.actions[1].replaces);
    // With one place left, both copies fit and the old file is kept.
    const auto roomy = planDownload(folderWith(98), RecorderFolder::A, replacement, agree);
    ASSERT_EQ(roomy.outcome, Outcome::Ready);
    ASSERT_EQ(roomy.actions.size(), 1u);
    EXPECT_TRUE(roomy.actions[0].replaces);

    const std::vector<PcFile> twice{{"/pc/one/memo.dvf", 10}, {"/pc/two/MEMO.DVF", 10}};
    const auto plan = planDownload(folderWith(0), RecorderFolder::A, twice, kNeverAsked);
    EXPECT_EQ(plan.outcome, Outcome::Refused);
    EXPECT_EQ(plan.message, "Error : \"MEMO.DVF\" is selected more than once.");
}

}  // namespace
}  // namespace vox::rules
