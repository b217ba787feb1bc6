#include "engine/rules/upload_plan.h"

#include <gtest/gtest.h>

#include "engine/rules/recorder_edits.h"

namespace vox::rules {
namespace {

using Outcome = UploadPlan::Outcome;

ListedFile recorderFile(std::string longName, std::uint32_t size, std::string shortName = "S") {
    return {std::move(longName), true, "BASE    ", "DVF", std::move(shortName), 0x20, size, {}};
}

const PcPathExists kNothingExists = [](const std::string&) { return false; };
const ConfirmOverwrite kNeverAsked = [](const std::string&) { return false; };

TEST(UploadPlan, NamesPathsAndBlockCounts) {
    const std::vector<ListedFile> files{
        recorderFile("a.dvf", 40000, "A1"),
        recorderFile("b.dvf", 1, "B1"),
        {"", false, "VOICE001", "DVF", "VOICE001DVF", 0x20, 32768, {}}};
    const auto plan = planUpload(files, "/home/u/in", kNothingExists, kNeverAsked);
    ASSERT_EQ(plan.outcome, Outcome::Ready);
    ASSERT_EQ(plan.items.size(), 3u);
    EXPECT_EQ(plan.items[0].pcPath, "/home/u/in/a.dvf");
    EXPECT_EQ(plan.items[0].recorderName, "A1");
    EXPECT_EQ(plan.items[2].pcPath, "/home/u/in/VOICE001.DVF");
    EXPECT_EQ(plan.items[0].blocks, 2u);
    EXPECT_EQ(plan.items[1].blocks, 1u);
    EXPECT_EQ(plan.items[2].blocks, 1u);
    EXPECT_EQ(plan.totalBlocks, 4u);
    EXPECT_EQ(planUpload(files, "/home/u/in/", kNothingExists, kNeverAsked).items[1].pcPath,
              "/home/u/in/b.dvf");
}

TEST(UploadPlan, RecorderNamesThatAreNotPlainFileNamesAreRefused) {
    for (const char* hostile : {"../../x", "a/b", "..", ".", "", "/etc/passwd", "bell\a.dvf"}) {
        const std::vector<ListedFile> files{recorderFile("fine.dvf", 5), recorderFile(hostile, 5)};
        const auto plan = planUpload(files, "/home/u/in", kNothingExists, kNeverAsked);
        EXPECT_EQ(plan.outcome, Outcome::Refused) << hostile;
        EXPECT_TRUE(plan.items.empty()) << hostile;
        EXPECT_NE(plan.message.find("cannot be used as a PC file name"), std::string::npos);
    }
    const std::string withNul("a\0b", 3);
    EXPECT_TRUE(unsafeNameRefusal(withNul));
    // 8.3 fields are joined before they are judged.
    const std::vector<ListedFile> shortOnly{{"", false, "..", "", "..", 0x20, 1, {}}};
    EXPECT_EQ(planUpload(shortOnly, "/in", kNothingExists, kNeverAsked).items[0].pcPath, "/in/...");
    EXPECT_FALSE(unsafeNameRefusal("...")) << "three dots is an ordinary name";
    EXPECT_FALSE(unsafeNameRefusal("a\\b")) << "a backslash is an ordinary character here";
}

TEST(UploadPlan, ExistingPcFilesAreReplacedOnlyWhenConfirmed) {
    const std::vector<ListedFile> files{recorderFile("a.dvf", 5)};
    const PcPathExists everything = [](const std::string&) { return true; };
    std::string asked;
    const auto plan = planUpload(files, "/in", everything, [&](const std::string& question) {
        asked = question;
        return true;
    });
    EXPECT_EQ(plan.outcome, Outcome::Ready);
    EXPECT_EQ(asked,
              "Already \"/in/a.dvf\" exist. It will be overwrited.\nDo want to you continue?");
    EXPECT_EQ(planUpload(files, "/in", everything, kNeverAsked).outcome, Outcome::Declined);
}

TEST(UploadPlan, BatchLimitAndRepeatedNames) {
    std::vector<ListedFile> many;
    for (int i = 0; i < 103; ++i) many.push_back(recorderFile("f" + std::to_string(i), 1));
    const auto plan = planUpload(many, "/in", kNothingExists, kNeverAsked);
    EXPECT_EQ(plan.items.size(), 100u);
    EXPECT_EQ(plan.filesLeftOut, 3u);
    EXPECT_EQ(plan.totalBlocks, 100u);

    // One name from two folders would land on one PC file.
    const std::vector<ListedFile> twice{recorderFile("memo.dvf", 1), recorderFile("memo.dvf", 2)};
    const auto repeated = planUpload(twice, "/in", kNothingExists, kNeverAsked);
    EXPECT_EQ(repeated.outcome, Outcome::Refused);
    EXPECT_EQ(repeated.message, "Error : \"memo.dvf\" is selected more than once.");
}

TEST(RecorderEdits, DeletionRunsFromTheHighestRow) {
    EXPECT_EQ(deletionOrder({2, 5, 7}), (std::vector<std::size_t>{7, 5, 2}));
    EXPECT_EQ(deletionOrder({5, 2, 5}), (std::vector<std::size_t>{5, 2}));
}

TEST(RecorderEdits, MoveStaysInsideTheFolder) {
    RecorderListing listing;
    for (const char* name : {"S0", "S1", "S2"}) listing.files.push_back(recorderFile("x", 1, name));
    EXPECT_FALSE(planMove(listing, 0, true));
    EXPECT_FALSE(planMove(listing, 2, false));
    EXPECT_FALSE(planMove(listing, 3, true));
    const auto up = planMove(listing, 2, true);
    ASSERT_TRUE(up);
    EXPECT_EQ(up->shortName, "S2");
    EXPECT_EQ(up->position, 1u);
    EXPECT_EQ(planMove(listing, 0, false)->position, 1u);
}

}  // namespace
}  // namespace vox::rules
