// Which PC names would take the short name of another entry of the recorder
// folder they are sent to, on both firmware generations.

#include "engine/session/name_clash.h"

#include <gtest/gtest.h>

namespace vox::session {
namespace {

constexpr std::uint8_t kNewer = 0x15;
constexpr std::uint8_t kOlder = 0x09;

rules::ListedFile entry(std::string base, std::string extension, std::string longName = {}) {
    rules::ListedFile file;
    file.baseName = std::move(base);
    file.extension = std::move(extension);
    file.hasLongName = !longName.empty();
    file.longName = std::move(longName);
    file.shortName = file.baseName + "." + file.extension;
    return file;
}

// NOTES   .TXT has no long name, MEETIN~1.DVF is "Meeting one.dvf", and
// REPORT is a folder.
rules::RecorderListing folder() {
    rules::RecorderListing listing;
    listing.files = {entry("NOTES   ", "TXT"), entry("MEETIN~1", "DVF", "Meeting one.dvf"),
                     entry("REPORT  ", "   ")};
    listing.files.back().attribute = 0x10;
    return listing;
}

TEST(NameClashTest, AnEightThreeNameOfAnotherEntryIsAClashNamingBothFiles) {
    for (std::uint8_t version : {kNewer, kOlder}) {
        EXPECT_EQ(shortNameClashText(folder(), "notes.txt", version),
                  "Error : \"notes.txt\" would get the same short name on the recorder as "
                  "\"NOTES   .TXT\", which is there already; rename one of them.")
            << int(version);
        const auto hidden = shortNameClashText(folder(), "meetin~1.dvf", version);
        ASSERT_TRUE(hidden) << int(version);
        EXPECT_NE(hidden->find("\"Meeting one.dvf\""), std::string::npos) << *hidden;
    }
    EXPECT_TRUE(shortNameClashText(folder(), "report", kNewer));
}

TEST(NameClashTest, NewNamesReplacedNamesAndTailedNamesAreNoClash) {
    for (std::uint8_t version : {kNewer, kOlder}) {
        for (const char* name : {"notes2.txt", "notes.dvf", "Meeting one.dvf", "meeting two.dvf",
                                 "a much longer notes name.txt"})
            EXPECT_FALSE(shortNameClashText(folder(), name, version)) << name << int(version);
    }
}

}  // namespace
}  // namespace vox::session
