#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "engine/rules/listed_entry.h"
#include "engine/rules/recorder_folder.h"
#include "engine/rules/recorder_listing.h"
#include "engine/rules/rule_texts.h"
#include "engine/rules/size_text.h"
#include "engine/rules/transfer_units.h"

namespace vox::rules {
namespace {

TEST(SizeText, UnitsAndPrecisionFollowTheValue) {
    EXPECT_EQ(sizeText(0), "0Byte(s)");
    EXPECT_EQ(sizeText(999), "999Byte(s)");
    EXPECT_EQ(sizeText(1000), "0.98KB");
    EXPECT_EQ(sizeText(32768), "32.0KB");
    EXPECT_EQ(sizeText(1023999), "1000KB");
    EXPECT_EQ(sizeText(1024000), "0.98MB");
    EXPECT_EQ(sizeText(5242880), "5.00MB");
    EXPECT_EQ(sizeText(1048575999), "1000MB");
    EXPECT_EQ(sizeText(2147483648u), "2.00GB");
    EXPECT_EQ(sizeText(4294967295u), "4.00GB");
    // 10 blocks needed with 4 free: 6 blocks over.
    EXPECT_EQ(sizeText(6 * kBlockBytes), "192KB");
}

TEST(SizeText, KilobyteColumnRoundsUpAndGroupsDigits) {
    EXPECT_EQ(kilobyteColumnText(0), "0KB");
    EXPECT_EQ(kilobyteColumnText(1), "1KB");
    EXPECT_EQ(kilobyteColumnText(1024), "1KB");
    EXPECT_EQ(kilobyteColumnText(1025), "2KB");
    EXPECT_EQ(kilobyteColumnText(1048576), "1,024KB");
    EXPECT_EQ(kilobyteColumnText(999 * 1024), "999KB");
    EXPECT_EQ(kilobyteColumnText(1263616), "1,234KB");
    // The largest 32-bit size must not wrap around to 0KB.
    EXPECT_EQ(kilobyteColumnText(4294967295u), "4,194,304KB");
}

TEST(RecorderFolders, LabelsListingNamesAndLookup) {
    EXPECT_EQ(folderListingName(RecorderFolder::A), "A       ");
    EXPECT_EQ(folderListingName(RecorderFolder::Mp3), "MP3     ");
    EXPECT_EQ(folderFromLabel("mp3"), RecorderFolder::Mp3);
    EXPECT_EQ(folderFromLabel("Hd"), RecorderFolder::Hd);
    EXPECT_FALSE(folderFromLabel("D").has_value());
    EXPECT_FALSE(folderFromLabel("").has_value());
}

TEST(RecorderFolders, AcceptedTypes) {
    for (RecorderFolder voice : {RecorderFolder::A, RecorderFolder::B, RecorderFolder::C}) {
        EXPECT_FALSE(extensionRefusal(voice, ".dvf"));
        EXPECT_EQ(extensionRefusal(voice, ".MP3"), texts::kVoiceFileOnly);
        EXPECT_EQ(extensionRefusal(voice, ""), texts::kVoiceFileOnly);
    }
    EXPECT_FALSE(extensionRefusal(RecorderFolder::Mp3, ".Mp3"));
    EXPECT_FALSE(extensionRefusal(RecorderFolder::Mp3, ".WMA"));
    EXPECT_EQ(extensionRefusal(RecorderFolder::Mp3, ".DVF"), texts::kMusicFileOnly);
    EXPECT_FALSE(extensionRefusal(RecorderFolder::Hd, ""));
    EXPECT_FALSE(extensionRefusal(RecorderFolder::Hd, ".EXE"));
}

TEST(RuleTexts, FillInReplacesTheFirstPlaceholderOnly) {
    EXPECT_EQ(fillIn(texts::kNotEnoughSpace, "32.0KB"),
              "Selected files is bigger than free memory.  ( 32.0KB over )");
    EXPECT_EQ(fillIn(texts::kDeleteQuestion, "3"),
              "3 file(s) will be deleted.\nDo you want to continue ?");
    EXPECT_EQ(fillIn("100%% %s", "x"), "100%% x");
    EXPECT_EQ(fillIn("no placeholder", "x"), "no placeholder");
}

TEST(ListedDate, FieldsAreRepairedAndCarried) {
    EXPECT_EQ(listedDateText({2004, 2, 30, 13, 45, 10}), "2004-03-01 13:45");
    EXPECT_EQ(listedDateText({2004, 2, 29, 0, 0, 0}), "2004-02-29 01:01");
    // A zero date word decodes to 1980-00-00.
    EXPECT_EQ(listedDateText({1980, 0, 0, 0, 0, 0}), "1980-01-01 01:01");
    EXPECT_EQ(listedDateText({2021, 12, 31, 24, 60, 0}), "2022-01-01 01:00");
    // Before 1970 the calendar still counts: a year before 1900 shows 1900.
    EXPECT_EQ(listedDateText({1850, 13, 0, 8, 9, 0}), "1900-01-01 08:09");
    EXPECT_EQ(listedDateText({1969, 12, 31, 23, 59, 59}), "1969-12-31 23:59");
    const RecorderDate far = shownDate({65535, 12, 31, 23, 59, 59});
    EXPECT_EQ(far.year, 65535);
}

// A full listing is cut when the stream goes on past the raw entries its
// slots were decoded from; long names take one raw entry per 13 units.
TEST(ListedEntries, AFullListingIsCutOnlyWhenTheStreamHoldsMore) {
    auto listing = std::make_unique<DeviceListing>();
    *listing = {};
    listing->entryCount = kListingMaxEntries - 1;
    listing->streamLength = 8 + 32 * 200;
    EXPECT_FALSE(listingIsCut(*listing)) << "a listing with a free slot holds everything";

    listing->entryCount = kListingMaxEntries;
    listing->streamLength = 8 + 32 * kListingMaxEntries;
    EXPECT_FALSE(listingIsCut(*listing)) << "exactly as many entries as slots";
    listing->streamLength += 32;
    EXPECT_TRUE(listingIsCut(*listing));

    // 14 units take two long-name entries besides the short one.
    listing->entries[5].hasLongName = 1;
    std::strcpy(listing->entries[5].longName, "fourteen chars");
    EXPECT_FALSE(listingIsCut(*listing));
    listing->streamLength = 8 + 32 * (kListingMaxEntries + 2);
    EXPECT_FALSE(listingIsCut(*listing));
    listing->streamLength += 32;
    EXPECT_TRUE(listingIsCut(*listing));
    // A character outside the basic plane (four bytes here) takes two units.
    listing->streamLength -= 32;
    std::strcpy(listing->entries[5].longName, "twelve chars\xF0\x9F\x8E\xB5");
    EXPECT_FALSE(listingIsCut(*listing));
    std::strcpy(listing->entries[5].longName, "eleven char\xF0\x9F\x8E\xB5");
    EXPECT_TRUE(listingIsCut(*listing));
}

TEST(ListedEntries, CountStaysWithinTheSlotsAndFoldersStartWithDots) {
    auto listing = std::make_unique<DeviceListing>();
    *listing = {};
    listing->entryCount = -4;
    EXPECT_EQ(listedEntryCount(*listing), 0);
    EXPECT_FALSE(startsWithDotEntries(*listing));
    listing->entryCount = 5000;
    EXPECT_EQ(listedEntryCount(*listing), kListingMaxEntries);
    listing->entryCount = 3;
    std::memcpy(listing->entries[0].baseName, ".       ", 8);
    std::memcpy(listing->entries[1].baseName, "..      ", 8);
    EXPECT_TRUE(startsWithDotEntries(*listing));
    listing->entries[1].baseName[1] = 'X';
    EXPECT_FALSE(startsWithDotEntries(*listing));

    DeviceEntry& entry = listing->entries[2];
    std::memset(entry.longName, 'L', sizeof entry.longName);  // no terminating NUL
    entry.hasLongName = 1;
    std::memcpy(entry.baseName, "SONG    ", 8);
    std::memcpy(entry.extension, "MP3", 3);
    entry.size = 42;
    const ListedFile file = listedFile(entry);
    EXPECT_EQ(file.longName.size(), sizeof entry.longName);
    EXPECT_EQ(file.baseName, "SONG    ");
    EXPECT_EQ(file.size, 42u);
}

TEST(ListedNames, LongNameOrShortFieldsAndCaseFreeLookup) {
    RecorderListing listing;
    listing.files.push_back(
        {"Meeting notes.dvf", true, "MEETIN~1", "DVF", "MEETIN~1DVF", 0x20, 0, {}});
    listing.files.push_back({"", false, "VOICE   ", "DVF", "VOICE   DVF", 0x20, 0, {}});
    listing.files.push_back({"", false, "NOEXT   ", "", "NOEXT   ", 0x20, 0, {}});
    EXPECT_EQ(entryName(listing.files[1]), "VOICE   .DVF");
    EXPECT_EQ(entryName(listing.files[2]), "NOEXT   .");
    EXPECT_EQ(findFile(listing, "MEETING NOTES.DVF"), 0u);
    EXPECT_EQ(findFile(listing, "voice   .dvf"), 1u);
    // The stored fields keep their spaces, so the trimmed name is another file.
    EXPECT_FALSE(findFile(listing, "VOICE.DVF").has_value());
    EXPECT_EQ(findTypedName(listing, "voice.dvf"), 1u);
    EXPECT_EQ(findTypedName(listing, "NOEXT"), 2u);
    EXPECT_EQ(plainName(listing.files[2]), "NOEXT");
    EXPECT_EQ(plainName(listing.files[0]), "Meeting notes.dvf");
    EXPECT_EQ(pcFileName("/home/u/rec/Meeting notes.dvf"), "Meeting notes.dvf");
    EXPECT_EQ(pcFileName("/home/u/rec/"), "rec");
    EXPECT_EQ(pcFileName("plain"), "plain");
}

}  // namespace
}  // namespace vox::rules
