// Decoding directory streams into listings, and the listing exchange.

#include <gtest/gtest.h>

#include <cstring>

#include "device_library/catalogue.h"
#include "device_library/listing_decoder.h"
#include "device_library/tests/directory_stream.h"
#include "device_library/tests/linked_fixture.h"
#include "device_library/tests/scripted_provider.h"

namespace vox::devsys {
namespace {

using testing::DirectoryStream;

struct Decoded {
    bool ok;
    std::unique_ptr<DeviceListing> listing;
};

Decoded decode(const DirectoryStream& stream, std::uint8_t version = 0x15) {
    auto listing = std::make_unique<DeviceListing>();
    const auto bytes = stream.padded();
    const bool ok = decodeDirectoryStream(bytes, stream.length(), version, *listing);
    return {ok, std::move(listing)};
}

TEST(ListingDecoderTest, ShortEntriesAndCapacities) {
    DirectoryStream stream(0x04000123, 0x0123FFFF);
    stream.entry(".          ", 0x10)
        .entry("..         ", 0x10)
        .entry("VOICE001DVF", 0x20, 40000, (44 << 9) | (3 << 5) | 15, (13 << 11) | (45 << 5) | 15)
        .entry("MEMO    DVF", 0x20, 7, 0, 0);
    const auto [ok, listing] = decode(stream);
    ASSERT_TRUE(ok);
    EXPECT_EQ(listing->totalBytes, 0x04000000u);  // low 14 bits cleared
    EXPECT_EQ(listing->freeBytes, 0x0123C000u);
    EXPECT_EQ(listing->streamLength, stream.length());
    EXPECT_EQ(listing->versionByte, 0x15);
    ASSERT_EQ(listing->entryCount, 4);
    EXPECT_STREQ(listing->entries[0].displayName, ".          ");

    const DeviceEntry& voice = listing->entries[2];
    EXPECT_STREQ(voice.baseName, "VOICE001");
    EXPECT_STREQ(voice.extension, "DVF");
    EXPECT_STREQ(voice.displayName, "VOICE001DVF");
    EXPECT_EQ(voice.attribute, 0x20);
    EXPECT_EQ(voice.size, 40000u);
    EXPECT_EQ(voice.hasLongName, 0);
    EXPECT_EQ(voice.longName[0], '\0');
    EXPECT_EQ(voice.year, 2024);
    EXPECT_EQ(voice.month, 3);
    EXPECT_EQ(voice.day, 15);
    EXPECT_EQ(voice.hour, 13);
    EXPECT_EQ(voice.minute, 45);
    EXPECT_EQ(voice.second, 30);

    const DeviceEntry& memo = listing->entries[3];
    EXPECT_STREQ(memo.displayName, "MEMO    DVF");  // trailing spaces stay
    EXPECT_EQ(memo.year, 1980);                     // a zero date word
    EXPECT_EQ(memo.month, 0);
    EXPECT_EQ(memo.day, 0);
}

TEST(ListingDecoderTest, OlderFirmwareJoinsTheDisplayNameWithADot) {
    DirectoryStream stream(0, 0);
    stream.entry("VOICE001DVF", 0x20).entry("AB      WAV", 0x20).entry(" LEADINGTXT", 0x20);
    const auto [ok, listing] = decode(stream, 0x09);
    ASSERT_TRUE(ok);
    EXPECT_STREQ(listing->entries[0].displayName, "VOICE001.DVF");
    EXPECT_STREQ(listing->entries[1].displayName, "AB      .WAV");
    EXPECT_STREQ(listing->entries[2].displayName, ".TXT");  // a base starting with a space is empty
    EXPECT_EQ(listing->entries[2].baseName[0], '\0');
}

TEST(ListingDecoderTest, LongNamesAreRebuiltInOrder) {
    DirectoryStream stream(0, 0);
    stream
        .longEntry(u"Meeting notes!", "MEETIN~1DVF", 512)  // 14 units: two entries
        .longEntry(u"Grüße.mp3", "GRE~1   MP3")
        .entry("PLAIN   DVF", 0x20);
    const auto [ok, listing] = decode(stream);
    ASSERT_TRUE(ok);
    ASSERT_EQ(listing->entryCount, 3);
    EXPECT_STREQ(listing->entries[0].longName, "Meeting notes!");
    EXPECT_EQ(listing->entries[0].hasLongName, 1);
    EXPECT_STREQ(listing->entries[0].displayName, "MEETIN~1DVF");
    EXPECT_EQ(listing->entries[0].size, 512u);
    EXPECT_STREQ(listing->entries[1].longName,
                 "Gr\xC3\xBC\xC3\x9F"
                 "e.mp3");
    EXPECT_EQ(listing->entries[2].hasLongName, 0);

    // Fifteen entries of text are cut to the field's 194 bytes.
    DirectoryStream longest(0, 0);
    longest.longEntry(std::u16string(195, u'x'), "XXXXXX~1TXT");
    const auto cut = decode(longest);
    ASSERT_TRUE(cut.ok);
    EXPECT_EQ(std::strlen(cut.listing->entries[0].longName), 194u);
}

TEST(ListingDecoderTest, RunWithoutTheFirstEntryMarkFailsTheListing) {
    DirectoryStream stream(0, 0);
    stream.entry("OK      DVF", 0x20);
    std::vector<std::uint8_t> orphan(32, 0);
    orphan[0] = 0x01;
    orphan[11] = 0x0F;
    stream.raw(orphan).entry("NAME    DVF", 0x20);
    EXPECT_FALSE(decode(stream).ok);
}

TEST(ListingDecoderTest, SkipsOtherAttributesAndStopsAt102Entries) {
    DirectoryStream stream(0, 0);
    stream.entry("LABEL      ", 0x08).entry("ARCHIVE DVF", 0x21).entry("", 0x00);
    for (int i = 0; i < 103; ++i) {
        char name[12];
        std::snprintf(name, sizeof name, "F%07dDVF", i);
        stream.entry(name, 0x20);
    }
    const auto [ok, listing] = decode(stream);
    ASSERT_TRUE(ok);
    EXPECT_EQ(listing->entryCount, 102);
    EXPECT_STREQ(listing->entries[0].baseName, "F0000000");
    EXPECT_STREQ(listing->entries[101].baseName, "F0000101");
    for (int slot = 102; slot < kListingSlots; ++slot)
        EXPECT_EQ(listing->entries[slot].baseName[0], '\0');
}

TEST(ListingDecoderTest, StreamLengthBoundsTheWalk) {
    DirectoryStream stream(0, 0);
    stream.entry("ONE     DVF", 0x20).entry("TWO     DVF", 0x20);
    auto bytes = stream.padded();
    DeviceListing listing{};
    // Only the first entry lies inside the stated length.
    ASSERT_TRUE(decodeDirectoryStream(bytes, 8 + 32, 0x15, listing));
    EXPECT_EQ(listing.entryCount, 1);
    // No room for any entry.
    DeviceListing empty{};
    ASSERT_TRUE(decodeDirectoryStream(bytes, 8, 0x15, empty));
    EXPECT_EQ(empty.entryCount, 0);
    // A length far past the bytes read: what is missing reads as zeros.
    DeviceListing past{};
    ASSERT_TRUE(decodeDirectoryStream(std::span(bytes).first(50), 60000, 0x15, past));
    EXPECT_EQ(past.entryCount, 1);

    // A long-name run cut off by the end of the stream ends the walk.
    DirectoryStream cut(0, 0);
    cut.entry("ONE     DVF", 0x20).longEntry(u"A name of thirty characters...", "ANAME~1 TXT");
    DeviceListing partial{};
    ASSERT_TRUE(decodeDirectoryStream(cut.padded(), 8 + 32 + 2 * 32, 0x15, partial));
    EXPECT_EQ(partial.entryCount, 1);
    EXPECT_EQ(partial.entries[1].hasLongName, 0);
}

using CatalogueTest = testing::LinkedTest;

TEST_F(CatalogueTest, RefreshCopiesTheListingOnlyOnSuccess) {
    DirectoryStream stream(64 << 20, 32 << 20);
    stream.entry(".          ", 0x10).entry("..         ", 0x10).entry("VOICE001DVF", 0x20, 100);
    provider.reply(testing::block(
        {0x23, 0x00, 0x06, 0x3A, 'M', 0x67, 0x00, static_cast<std::uint8_t>(stream.length())}));
    provider.reply(stream.padded());
    auto listing = std::make_unique<DeviceListing>();
    ASSERT_EQ(refreshDevice(link, ctx, listing.get(), "A       ", STORE_MAIN), 1);
    EXPECT_EQ(listing->entryCount, 3);
    EXPECT_EQ(link.names().counter(), 3);
    const auto writes = provider.writes();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[1].bytes.size(), 64u);  // FINISH inside a listing is a whole block
    const auto reads = provider.of(testing::IoEvent::Read);
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[1].length, 128u);  // ((L + 1) / 64 + 1) * 64 for L = 104

    // A reply that is not a listing's leaves the caller's copy alone.
    listing->entryCount = -5;
    provider.reply(testing::block({0x23, 0x00, 0x04}));
    EXPECT_EQ(refreshDevice(link, ctx, listing.get(), nullptr, STORE_MAIN), 0);
    EXPECT_EQ(listing->entryCount, -5);
    EXPECT_EQ(ctx->busy, 0);
}

TEST_F(CatalogueTest, StatusReadsOneLongReply) {
    provider.reply(testing::block({0x23, 0x00, 0xBD, 0x3A, 0x90, 0x53, 0, 0, 0xC8}, 192));
    EXPECT_EQ(playerStatus(link, ctx), 0xC8);
    const auto reads = provider.of(testing::IoEvent::Read);
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].length, 192u);
}

}  // namespace
}  // namespace vox::devsys
