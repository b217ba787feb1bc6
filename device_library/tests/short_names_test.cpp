// PC names turned into the recorder's short and long names.

#include "device_library/short_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "device_library/name_registry.h"
#include "platform/text/code_page.h"

namespace vox::devsys {
namespace {

class CounterAt final : public NameCounter {
  public:
    explicit CounterAt(int value) : value_(value) {}
    int next() override { return ++value_; }
    bool taken(const std::string& key) const override { return keys.count(key) != 0; }
    void record(const std::string& key) override { keys.insert(key); }
    int value() const { return value_; }
    std::set<std::string> keys;

  private:
    int value_;
};

TEST(ShortNamesTest, OlderFirmwareDottedForm) {
    CounterAt counter(11);
    EXPECT_EQ(createShortName("REPORT.WAV", 0x09, counter), "REPORT.WAV");
    EXPECT_EQ(counter.value(), 11);
    EXPECT_EQ(createShortName("MEETINGNOTES.DVF", 0x09, counter), "MEET~12.DVF");
    EXPECT_EQ(counter.value(), 12);
    EXPECT_EQ(createShortName("song.mpeg3", 0x09, counter),
              "song.mpe");                                        // extension cut to 4 bytes
    EXPECT_EQ(createShortName("README", 0x09, counter), "READ");  // no dot: the name itself, cut
}

TEST(ShortNamesTest, NewerFirmwareElevenByteForm) {
    CounterAt counter(4);
    EXPECT_EQ(createShortName("song.mp3", 0x15, counter), "SONG    MP3");
    EXPECT_EQ(createShortName("meeting notes 1.dvf", 0x15, counter), "MEETIN~5DVF");
    EXPECT_EQ(createShortName("README", 0x15, counter), "README     ");
    EXPECT_EQ(counter.value(), 5);

    CounterAt nine(9);
    EXPECT_EQ(createShortName("ninebytes.wav", 0x15, nine), "NINEB~10WAV");
    EXPECT_EQ(createShortName("averylongname", 0x15, nine), "AVERY~11   ");
    EXPECT_EQ(createShortName("MEETINGNOTES.DVF", 0x10, nine), "MEETI~12DVF");
}

TEST(ShortNamesTest, MultibyteCharacterCrossingTheTailIsLeftOut) {
    CounterAt counter(4);
    // Six bytes of room before "~5": a three-byte character that would end
    // at byte 7 is left out and two spaces stand in for it.
    EXPECT_EQ(createShortName("abcd\xE3\x81\x82xyz.dvf", 0x15, counter), "ABCD  ~5DVF");
    EXPECT_EQ(createShortName("abc\xE3\x81\x82xyz.dvf", 0x15, counter), "ABC\xE3\x81\x82~6DVF");

    ASSERT_TRUE(text::setAnsiCodePage(932));
    CounterAt sjis(4);
    EXPECT_EQ(createShortName("abcd\x82\xA0"
                              "efgh.dvf",
                              0x15, sjis),
              "ABCD\x82\xA0~5DVF");
    // A double-byte character crossing the room: " ~" follows the bytes before it.
    EXPECT_EQ(createShortName("abcde\x82\xA0"
                              "fgh.dvf",
                              0x15, sjis),
              "ABCDE ~6DVF");
    text::setAnsiCodePage(text::kCodePageUtf8);
}

TEST(ShortNamesTest, GeneratedNamesNeverRepeatTheFolderOrEachOther) {
    NameRegistry registry;
    DeviceListing listing{};
    listing.entryCount = 2;
    std::memcpy(listing.entries[0].baseName, "MEETIN~3", 8);
    std::memcpy(listing.entries[0].extension, "DVF", 3);
    std::memcpy(listing.entries[1].baseName, "MEET~4  ", 8);
    std::memcpy(listing.entries[1].extension, "DVF", 3);
    registry.resetFrom(listing);
    EXPECT_EQ(registry.counter(), 2);

    EXPECT_EQ(createShortName("meeting notes 1.dvf", 0x15, registry),
              "MEETIN~4DVF");                                                      // ~3 is taken
    EXPECT_EQ(createShortName("MEETINGNOTES.DVF", 0x09, registry), "MEET~5.DVF");  // ~4 is taken
    EXPECT_EQ(createShortName("meeting notes 2.dvf", 0x15, registry), "MEETIN~6DVF");
    // The next listing starts over from that folder's names.
    registry.resetFrom(DeviceListing{});
    EXPECT_EQ(createShortName("meeting notes 1.dvf", 0x15, registry), "MEETIN~1DVF");
}

TEST(ShortNamesTest, LongNames) {
    const std::string eighty(80, 'x');
    EXPECT_EQ(createLongName(eighty).size(), kCreateLongNameUnits);
    EXPECT_EQ(createLongName("Gr\xC3\xBC\xC3\x9F"
                             "e.dvf"),
              u"Grüße.dvf");
    EXPECT_EQ(renameLongName(std::string(250, 'y')).size(), kRenameLongNameUnits);
}

TEST(ShortNamesTest, RenameAndMakeDirectoryForms) {
    EXPECT_EQ(renameShortName("New Recording.DVF"), "New Reco.DVF");
    EXPECT_EQ(renameShortName("memo.dvf"), "memo.dvf");
    EXPECT_EQ(renameShortName("Memo"), "Memo");
    EXPECT_EQ(renameShortName("Memorandum"), "Memo");
    EXPECT_EQ(renameShortName("a.b"), "a.b");

    EXPECT_EQ(makeDirectoryShortName("VOICE"), "VOICE   .   ");
    EXPECT_EQ(makeDirectoryLongName("VOICE"), u"");
    EXPECT_EQ(makeDirectoryShortName("FOLDER12"), "FOLDER12.   ");
    EXPECT_EQ(makeDirectoryLongName("FOLDER12"), u"FOLDER12");
    EXPECT_EQ(makeDirectoryShortName("My Music.old"), "My Music.old");
    EXPECT_EQ(makeDirectoryLongName("NOTES.TX"), u"");
    EXPECT_EQ(makeDirectoryShortName(".hidden"), ".hidden .   ");  // a leading dot is no extension
    EXPECT_EQ(makeDirectoryLongName("\xE3\x81\x82"), u"");
    EXPECT_EQ(makeDirectoryLongName("\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86"), u"\u3042\u3044\u3046");
}

}  // namespace
}  // namespace vox::devsys
