// The PC names of imported recordings: date fields, the recorder's own name
// and folder, and names that must not reach outside the import folder.

#include "engine/import/import_names.h"

#include <gtest/gtest.h>

#include <set>

namespace vox::importing {
namespace {

rules::ListedFile recording(std::string name, rules::RecorderDate date = {2026, 12, 9, 14, 3, 8}) {
    rules::ListedFile file;
    file.longName = std::move(name);
    file.hasLongName = true;
    file.date = date;
    return file;
}

TEST(ImportNamesTest, PatternsTakeTheRecordersDateNameAndFolder) {
    EXPECT_EQ(importName(kDefaultNamePattern, recording("MEETING.DVF"), "A"),
              "2026-12-09 14.03 MEETING.DVF");
    EXPECT_EQ(importName("{folder}-%y%m%d-%H%M%S-{name}", recording("X.DVF"), "B"),
              "B-261209-140308-X.DVF");
    // Weekday fields see the real calendar day.
    EXPECT_EQ(importName("%a {name}", recording("X.DVF"), "A"), "Wed X.DVF");
    // A '%' in the recorder's name is not a field, "%%" in the pattern is one.
    EXPECT_EQ(importName("%% {name}", recording("100%d.DVF"), "A"), "% 100%d.DVF");
    // "%{" stays strftime's business.
    EXPECT_EQ(importName("{name}{folder}", recording("N.DVF"), "C"), "N.DVFC");
}

TEST(ImportNamesTest, DamagedDatesAreRepairedAndGoodOnesKept) {
    EXPECT_EQ(importName(kDefaultNamePattern, recording("M.DVF", {2004, 2, 30, 0, 0, 0}), "A"),
              "2004-03-01 00.00 M.DVF");
    EXPECT_EQ(importName("%Y-%m-%d %H:%M:%S", recording("M.DVF", {1980, 0, 0, 31, 63, 62}), "A"),
              "1980-01-01 00:00:00");
    // Midnight and full hours are names of their own, not 01.01.
    EXPECT_EQ(importName("%H.%M", recording("M.DVF", {2026, 12, 9, 0, 0, 0}), "A"), "00.00");
    EXPECT_EQ(importName("%H.%M", recording("M.DVF", {2026, 12, 9, 14, 0, 0}), "A"), "14.00");
}

TEST(ImportNamesTest, RecorderNamesNeverLeaveTheFolder) {
    for (const char* hostile : {"../../etc/passwd", "..", ".", "/abs/path.DVF", "a/b.DVF",
                                "line\nbreak.DVF", "", "   ", "\x01\x02", ".hidden.DVF"}) {
        for (const char* pattern : {"{name}", kDefaultNamePattern}) {
            const std::string name = importName(pattern, recording(hostile), "A");
            EXPECT_FALSE(name.empty()) << hostile;
            EXPECT_EQ(name.find('/'), std::string::npos) << name;
            EXPECT_NE(name.front(), '.') << name;
            EXPECT_NE(name.front(), ' ') << name;
            for (char c : name) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << name;
        }
    }
    EXPECT_EQ(importName("{name}", recording(""), "A"), "recording");
    // A pattern's own slash does not make a subfolder either.
    EXPECT_EQ(importName("%Y/{name}", recording("M.DVF"), "A"), "2026_M.DVF");
}

TEST(ImportNamesTest, OverlongNamesAreCutAtACharacterKeepingTheExtension) {
    std::string accented;
    for (int i = 0; i < 200; ++i) accented += "\xC3\xA9";
    const std::string name = safeFileName(accented + ".DVF");
    EXPECT_LE(name.size(), 255u);
    EXPECT_TRUE(name.ends_with("\xC3\xA9.DVF")) << name;
}

TEST(ImportNamesTest, TakenNamesGetACounter) {
    std::set<std::string> taken{"a.DVF", "a (2).DVF", "README"};
    auto isTaken = [&](const std::string& name) { return taken.count(name) > 0; };
    EXPECT_EQ(freeName("b.DVF", isTaken), "b.DVF");
    EXPECT_EQ(freeName("a.DVF", isTaken), "a (3).DVF");
    EXPECT_EQ(freeName("README", isTaken), "README (2)");
    EXPECT_FALSE(freeName("x", [](const std::string&) { return true; }));
    // The counter survives a name at the length limit.
    const std::string longest = std::string(251, 'n') + ".DVF";
    const auto counted = freeName(longest, [&](const std::string& n) { return n == longest; });
    ASSERT_TRUE(counted);
    EXPECT_LE(counted->size(), 255u);
    EXPECT_TRUE(counted->ends_with(" (2).DVF")) << *counted;
}

TEST(ImportNamesTest, WaveNamesReplaceTheExtension) {
    EXPECT_EQ(withExtension("2026-12-09 MEMO.DVF", ".wav"), "2026-12-09 MEMO.wav");
    EXPECT_EQ(withExtension("NOEXT", ".wav"), "NOEXT.wav");
}

}  // namespace
}  // namespace vox::importing
