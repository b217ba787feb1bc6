// Directory entries, names, limits, capacity and play order as the recorder
// keeps and lists them.
#include <gtest/gtest.h>

#include "recorder_model/tests/wire.h"

namespace vox::model::testing {
namespace {

Bytes entryAt(const Bytes& stream, std::size_t index) {
    auto at = stream.begin() + static_cast<std::ptrdiff_t>(8 + 32 * index);
    return Bytes(at, at + 32);
}

// What the host does with a run: groups from the last stored to the first,
// 13 units each, each up to its first NUL.
std::u16string assembleRun(const Bytes& stream, std::size_t first, std::size_t count) {
    static const std::size_t offsets[] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    std::u16string name;
    for (std::size_t i = first + count; i-- > first;) {
        Bytes raw = entryAt(stream, i);
        for (std::size_t offset : offsets) {
            auto unit = static_cast<char16_t>(raw[offset] | raw[offset + 1] << 8);
            if (unit == 0) break;
            name += unit;
        }
    }
    return name;
}

TEST(RecorderEntries, FourteenCharacterNameIsATwoEntryRun) {
    Recorder recorder;
    Host host(recorder);
    host.listFolder("A");
    ASSERT_EQ(host.create('M', "SUMMER~1DVF", u"Summer holiday", Bytes(1000, 5)), 0);
    auto stream = host.listFolder("A");
    ASSERT_EQ(stream.size(), 8u + 5 * 32);  // ".", "..", two long-name entries, the file
    const Bytes first = {0x42, 'y',  0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                         0x0F, 0x00, 0x8B, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                         0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
    const Bytes second = {0x01, 'S',  0,    'u', 0,    'm',  0,   'm', 0,   'e', 0,
                          0x0F, 0x00, 0x8B, 'r', 0,    ' ',  0,   'h', 0,   'o', 0,
                          'l',  0,    'i',  0,   0x00, 0x00, 'd', 0,   'a', 0};
    EXPECT_EQ(entryAt(stream, 2), first);
    EXPECT_EQ(entryAt(stream, 3), second);
    Bytes file = entryAt(stream, 4);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 11), "SUMMER~1DVF");
    EXPECT_EQ(file[11], 0x20);
    EXPECT_EQ(Bytes(file.begin() + 22, file.begin() + 26), (Bytes{0x40, 0x6B, 0x21, 0x5A}));
    EXPECT_EQ(Bytes(file.begin() + 28, file.end()), (Bytes{0xE8, 0x03, 0, 0}));
}

TEST(RecorderEntries, EightyCharacterNameIsASevenEntryRun) {
    Recorder recorder;
    std::u16string name;
    for (int i = 0; i < 80; ++i) name += static_cast<char16_t>(u'a' + i % 26);
    name[40] = u'\u00E9';  // a unit above 0xFF survives too
    std::string error;
    ASSERT_TRUE(
        recorder.fileSystem().addFile('M', "HD", "LONGNAME.TXT", name, Bytes(10, 1), {}, error))
        << error;
    auto stream = Host(recorder).listFolder("HD");
    ASSERT_EQ(stream.size(), 8u + 10 * 32);
    const std::uint8_t sequence[] = {0x47, 6, 5, 4, 3, 2, 1};
    for (std::size_t i = 0; i < 7; ++i) {
        Bytes raw = entryAt(stream, 2 + i);
        EXPECT_EQ(raw[0], sequence[i]) << i;
        EXPECT_EQ(raw[11], 0x0F);
        EXPECT_EQ(raw[13], 0x64);
    }
    // The last group holds units 78 and 79, the NUL, and 0xFFFF filler.
    Bytes last = entryAt(stream, 2);
    EXPECT_EQ(Bytes(last.begin() + 1, last.begin() + 9), (Bytes{'a', 0, 'b', 0, 0, 0, 0xFF, 0xFF}));
    EXPECT_EQ(assembleRun(stream, 2, 7), name);
    EXPECT_EQ(entryAt(stream, 9)[11], 0x20);
}

TEST(RecorderEntries, NamesFollowTheFirmwareGeneration) {
    Recorder newer;
    Host host(newer);
    host.listFolder("MP3");
    EXPECT_EQ(host.create('M', "SONG    MP3", u"song.mp3", Bytes(3, 3)), 0);
    EXPECT_EQ(host.create('M', "song    mp3", u"", Bytes(3, 3)), 4) << "FAT names ignore case";
    EXPECT_EQ(host.create('M', "SONG.MP3", u"", Bytes(3, 3)), 3) << "1.x sends 11 bytes";
    EXPECT_EQ(host.create('M', " ONG    MP3", u"", Bytes(3, 3)), 3);
    EXPECT_EQ(host.create('M', "S*NG    MP3", u"", Bytes(3, 3)), 3);
    EXPECT_EQ(host.create('M', "LONG    MP3", std::u16string(66, u'x'), Bytes(3, 3)), 3);
    EXPECT_NE(host.outcome(block(cat({{'M', 0x45}, text("SONG.MP3")}))), 0);
    EXPECT_EQ(host.outcome(block(cat({{'M', 0x45}, text("SONG    MP3")}))), 0);

    Recorder older({.firmwareVersion = "0.9"});
    Host oldHost(older);
    oldHost.listFolder("HD");
    EXPECT_EQ(oldHost.create('M', "REPORT.WAV", u"REPORT.WAV", Bytes(3, 3)), 0);
    EXPECT_EQ(oldHost.create('M', "READ", u"README", Bytes(3, 3)), 0);
    EXPECT_EQ(oldHost.create('M', ".bas", u".bashrc", Bytes(3, 3)), 3);
    auto names = shortNames(oldHost.listFolder("HD"));
    EXPECT_EQ(names[2], "REPORT  WAV");
    EXPECT_EQ(names[3], "READ       ");
    EXPECT_NE(oldHost.outcome(block(cat({{'M', 0x45}, text("REPORT  WAV")}))), 0);
    EXPECT_EQ(oldHost.outcome(block(cat({{'M', 0x45}, text("REPORT  .WAV")}))), 0);
    auto reply = oldHost.query(block(cat({{'M', 0x52}, text("READ    .   ")}), 0));
    EXPECT_EQ(reply[5], 0x52);
    EXPECT_EQ(be32At(reply, 6 + 12), 3u);
}

TEST(RecorderEntries, CapacityIsCountedInWholeClusters) {
    Recorder recorder({.capacityBytes = 1000000});
    Host host(recorder);
    host.listFolder("HD");
    const std::uint64_t total = 61 * 16384;
    ASSERT_EQ(host.create('M', "EMPTY   BIN", u"", {}), 0);
    ASSERT_EQ(host.create('M', "ONE     BIN", u"", Bytes(1, 1)), 0);
    ASSERT_EQ(host.create('M', "TWO     BIN", u"", Bytes(16385, 1)), 0);
    auto stream = host.listFolder("HD");
    EXPECT_EQ(be32At(stream, 0), total);
    EXPECT_EQ(be32At(stream, 4), total - 3 * 16384);
    // 58 clusters are left; a file of 58 clusters and one byte does not fit.
    EXPECT_EQ(host.create('M', "BIG     BIN", u"", Bytes(58 * 16384 + 1, 0)), 5);
    EXPECT_EQ(host.create('M', "BIG     BIN", u"", Bytes(58 * 16384, 0)), 0);
    EXPECT_EQ(be32At(host.listFolder("HD"), 4), 0u);
    EXPECT_EQ(host.outcome(block(cat({{'M', 0x45}, text("BIG     BIN")}))), 0);
    EXPECT_EQ(be32At(host.listFolder("HD"), 4), total - 3 * 16384);
}

TEST(RecorderEntries, AFolderTakesNinetyNineFilesThroughCommands) {
    Recorder recorder;
    std::string error;
    for (int i = 0; i < 99; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "V%07d.DVF", i);
        ASSERT_TRUE(recorder.fileSystem().addFile('M', "A", name, u"", {}, {}, error)) << error;
    }
    Host host(recorder);
    host.listFolder("A");
    EXPECT_EQ(host.create('M', "EXTRA   DVF", u"", Bytes(10, 0)), 6);
    // Seeding may go past the limit; the listing shows everything.
    ASSERT_TRUE(recorder.fileSystem().addFile('M', "A", "V100.DVF", u"", {}, {}, error));
    EXPECT_EQ(shortNames(host.listFolder("A")).size(), 102u);
    EXPECT_EQ(host.outcome(block(cat({{'M', 0x45}, text("V0000000DVF")}))), 0);
    EXPECT_EQ(host.outcome(block(cat({{'M', 0x45}, text("V0000001DVF")}))), 0);
    EXPECT_EQ(host.create('M', "EXTRA   DVF", u"", Bytes(10, 0)), 0);
}

TEST(RecorderEntries, AStreamPastSixteenBitsEndsAtAWholeEntry) {
    Recorder recorder({.capacityBytes = 256ull << 20});
    std::string error;
    std::u16string longName(80, u'n');
    for (int i = 0; i < 300; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "N%07d.TXT", i);
        ASSERT_TRUE(recorder.fileSystem().addFile('M', "HD", name, longName, {}, {}, error));
    }
    auto stream = Host(recorder).listFolder("HD");
    ASSERT_GT(stream.size(), 60000u);
    EXPECT_LE(stream.size(), 0xFFFFu);
    EXPECT_EQ((stream.size() - 8) % 256, 64u);  // the dot entries, then 8 entries a file
    EXPECT_EQ(stream[stream.size() - 32 + 11], 0x20);
}

TEST(RecorderEntries, MoveSetsThePlayOrderPosition) {
    Recorder recorder;
    std::string error;
    for (const char* name : {"ONE.DVF", "TWO.DVF", "THREE.DVF", "FOUR.DVF"})
        ASSERT_TRUE(recorder.fileSystem().addFile('M', "B", name, u"", {}, {}, error));
    Host host(recorder);
    auto order = [&] {
        auto names = shortNames(host.listFolder("B"));
        std::string joined;
        for (std::size_t i = 2; i < names.size(); ++i) joined += names[i].substr(0, 5) + "|";
        return joined;
    };
    auto move = [&](const char* name, std::uint8_t position) {
        return host.outcome(block(cat({{'M', 0x50}, text(name), {position}})));
    };
    order();
    EXPECT_EQ(move("FOUR    DVF", 0), 0);
    EXPECT_EQ(order(), "FOUR |ONE  |TWO  |THREE|");
    EXPECT_EQ(move("FOUR    DVF", 2), 0);
    EXPECT_EQ(order(), "ONE  |TWO  |FOUR |THREE|");
    EXPECT_EQ(move("ONE     DVF", 3), 0);
    EXPECT_EQ(order(), "TWO  |FOUR |THREE|ONE  |");
    EXPECT_EQ(move("ONE     DVF", 4), 9);
    EXPECT_EQ(move("NONE    DVF", 0), 2);
    EXPECT_EQ(order(), "TWO  |FOUR |THREE|ONE  |");
}

TEST(RecorderEntries, FoldersAndTheMainStoreTopAreProtected) {
    Recorder recorder({.sampleContent = true});
    Host host(recorder);
    host.list(block({'M', 0x47}));
    EXPECT_EQ(host.create('M', "LOOSE   TXT", u"", Bytes(1, 0)), 8);
    EXPECT_EQ(host.outcome(block(cat({{'M', 0xE1}, text("HD")}))), 8);
    host.list(block({'S', 0x47}));
    EXPECT_EQ(host.create('S', "LOOSE   TXT", u"", Bytes(1, 0)), 0);
    host.listFolder("HD");
    EXPECT_EQ(
        host.outcome(block(
            cat({{'M', 0xE0}, be16(0), be16(0), be16(12), text("SUB     .   "), be16(0)}), 0)),
        0);
    EXPECT_EQ(host.listFolder("SUB").size(), 8u + 2 * 32);  // "." and ".." only
    EXPECT_EQ(host.create('M', "INNER   TXT", u"", Bytes(1, 0)), 0);
    host.listFolder("..");
    EXPECT_EQ(host.outcome(block(cat({{'M', 0xE1}, text("SUB")}))), 7);
    EXPECT_EQ(host.outcome(block(cat({{'M', 0x45}, text("SUB        ")}))), 8);
}

}  // namespace
}  // namespace vox::model::testing
