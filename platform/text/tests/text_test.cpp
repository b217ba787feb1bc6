#include <gtest/gtest.h>

#include <clocale>

#include "platform/text/code_page.h"
#include "platform/text/conversion.h"
#include "platform/text/time_text.h"
#include "platform/text/upper_case.h"

namespace vox::text {
namespace {

class TextTest : public ::testing::Test {
  protected:
    void TearDown() override { setAnsiCodePage(kCodePageUtf8); }
};

TEST_F(TextTest, Utf8ConvertsBothWaysWithReplacements) {
    const std::string text = "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x8E\xA4";  // Grüß € 🎤
    const std::u16string wide = toWide(text);
    EXPECT_EQ(wide, u"Grüß € \U0001F3A4");
    EXPECT_EQ(fromWide(wide), text);
    // A stray continuation byte and a truncated sequence each become U+FFFD.
    EXPECT_EQ(toWide("a\x80"
                     "b\xE2\x82"),
              u"a\uFFFDb\uFFFD\uFFFD");
    // Unpaired surrogates have no UTF-8 form.
    EXPECT_EQ(fromWide(std::u16string{u'x', char16_t(0xD800), u'y'}), "x?y");
    // NULs are converted like any other unit.
    EXPECT_EQ(fromWide(std::u16string(u"a\0b", 3)), std::string("a\0b", 3));
}

TEST_F(TextTest, LegacyCodePagesConvertThroughIconv) {
    ASSERT_TRUE(setAnsiCodePage(1252));
    EXPECT_EQ(toWide("\xE9\x80"), u"é€");
    EXPECT_EQ(fromWide(u"é€"), "\xE9\x80");
    EXPECT_EQ(fromWide(u"a\u3042b"), "a?b");

    ASSERT_TRUE(setAnsiCodePage(932));
    EXPECT_EQ(toWide("\x82\xA0x"), u"\u3042x");
    EXPECT_EQ(fromWide(u"\u3042x"), "\x82\xA0x");
    EXPECT_EQ(toWide("x\x82"), u"x\uFFFD");  // lead byte without its trail byte
}

TEST_F(TextTest, UnsupportedCodePageIsRefused) {
    EXPECT_FALSE(setAnsiCodePage(1234));
    EXPECT_FALSE(setAnsiCodePage(0));
    EXPECT_EQ(ansiCodePage(), kCodePageUtf8);
}

TEST_F(TextTest, CharacterWalkingFollowsTheCodePage) {
    const std::string utf8 = "a\xE3\x81\x82\xC3";  // a, あ, a truncated lead
    EXPECT_EQ(characterLength(utf8, 0), 1u);
    EXPECT_EQ(characterLength(utf8, 1), 3u);
    EXPECT_EQ(characterLength(utf8, 4), 1u);
    EXPECT_EQ(characterLength(utf8, 5), 0u);
    EXPECT_TRUE(isLeadByte(0xE3));
    EXPECT_FALSE(isLeadByte(0x82));

    ASSERT_TRUE(setAnsiCodePage(932));
    const std::string sjis =
        "\x82\xA0"
        "a\x82";
    EXPECT_EQ(characterLength(sjis, 0), 2u);
    EXPECT_EQ(characterLength(sjis, 2), 1u);
    EXPECT_EQ(characterLength(sjis, 3), 1u);  // never past the end
    EXPECT_TRUE(isLeadByte(0x82));
    EXPECT_FALSE(isLeadByte(0xA0));

    ASSERT_TRUE(setAnsiCodePage(1252));
    EXPECT_FALSE(isLeadByte(0xE9));
    EXPECT_EQ(characterLength("\xE9\xE9", 0), 1u);
}

TEST_F(TextTest, UpperCaseKeepsTheByteLength) {
    EXPECT_EQ(upperCase("song    mp3"), "SONG    MP3");
    EXPECT_EQ(upperCase("caf\xC3\xA9 \xC3\xBF"), "CAF\xC3\x89 \xC5\xB8");  // é→É, ÿ→Ÿ
    EXPECT_EQ(upperCase("\xE3\x81\x82z"), "\xE3\x81\x82Z");                // あ stays
    EXPECT_EQ(upperCase("\xC4\xB1"), "\xC4\xB1");  // dotless i: no simple capital

    ASSERT_TRUE(setAnsiCodePage(1252));
    EXPECT_EQ(upperCase("\xE9\xFF"), "\xC9\x9F");  // é→É, ÿ→Ÿ within the code page
    ASSERT_TRUE(setAnsiCodePage(1250));
    EXPECT_EQ(upperCase("\xB9"), "\xA5");  // ą→Ą
    ASSERT_TRUE(setAnsiCodePage(932));
    EXPECT_EQ(upperCase("\x82\xA0"
                        "ab"),
              "\x82\xA0"
              "AB");
}

TEST_F(TextTest, FatWordsAndTexts) {
    const LocalTime time{2024, 3, 15, 13, 45, 31};
    EXPECT_EQ(fatDate(time), (44 << 9) | (3 << 5) | 15);
    EXPECT_EQ(fatTime(time), (13 << 11) | (45 << 5) | 15);
    // Years past 2107 wrap within the seven-bit field.
    EXPECT_EQ(fatDate(LocalTime{2108, 1, 1, 0, 0, 0}) >> 9, 0);

    const LocalTime now = localTimeNow();
    EXPECT_GE(now.year, 2020);
    EXPECT_FALSE(shortDateText(time).empty());
    EXPECT_NE(timeText(time).find("45"), std::string::npos);
}

TEST_F(TextTest, TimeWithoutSecondsDropsTheSecondsAndTheirSeparator) {
    const LocalTime time{2024, 3, 15, 13, 45, 31};
    const std::string saved = std::setlocale(LC_TIME, nullptr);
    std::setlocale(LC_TIME, "C");
    EXPECT_EQ(timeText(time), "13:45:31");
    EXPECT_EQ(timeTextWithoutSeconds(time), "13:45");
    // A locale with a twelve-hour clock keeps its day-half mark.
    if (std::setlocale(LC_TIME, "en_US.UTF-8") != nullptr) {
        const std::string shown = timeTextWithoutSeconds(time);
        EXPECT_EQ(shown.find("31"), std::string::npos) << shown;
        EXPECT_NE(shown.find("45"), std::string::npos) << shown;
    }
    std::setlocale(LC_TIME, saved.c_str());
}

}  // namespace
}  // namespace vox::text
