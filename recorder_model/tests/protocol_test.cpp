// The recorder's replies and its strictness, driven with hand-made blocks.
#include <gtest/gtest.h>

#include "recorder_model/tests/wire.h"

namespace vox::model::testing {
namespace {

const Bytes kIdentify = block({0x59});
const Bytes kFinish6 = block({0x46}, 0);

Bytes readCommand(std::string_view name, char store = 'M') {
    return block(cat({{static_cast<std::uint8_t>(store), 0x52}, text(name)}), 0);
}

TEST(RecorderReplies, IdentifyCarriesVersionDigitsAndModelName) {
    Recorder newer;
    auto reply = Host(newer).query(kIdentify);
    ASSERT_EQ(reply.size(), 64u);
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 4), (Bytes{0x23, 0x00, 0x22, 0x3A}));
    EXPECT_EQ(std::string(reply.begin() + 4, reply.begin() + 7), "1.5");
    EXPECT_EQ(std::string(reply.begin() + 23, reply.begin() + 30), "QZ-410T");
    EXPECT_EQ(reply[36], 0x2E);

    Recorder older({.firmwareVersion = "0.9", .modelName = "AB-1234"});
    reply = Host(older).query(kIdentify);
    EXPECT_EQ(reply[4], '0');
    EXPECT_EQ(reply[6], '9');
    EXPECT_EQ(std::string(reply.begin() + 23, reply.begin() + 30), "AB-1234");
    EXPECT_TRUE(newer.protocolErrors().empty());
}

TEST(RecorderReplies, StatusIsOne192ByteBlockWithTheValueAtByte8) {
    Recorder recorder({.statusValue = 0x37});
    Host host(recorder);
    auto reply = host.query(block({0x90, 0x53}), 192);
    ASSERT_EQ(reply.size(), 192u);
    EXPECT_EQ(reply[0], 0x23);
    EXPECT_EQ(reply[8], 0x37);
    EXPECT_EQ(reply[191], 0x2E);
    EXPECT_EQ(host.read(64).size(), 0u);  // nothing more to send
}

TEST(RecorderReplies, TopLevelListsTheFixedFoldersAndCapacity) {
    Recorder recorder({.capacityBytes = 1000000});
    auto stream = Host(recorder).list(block({'M', 0x47}));
    ASSERT_EQ(stream.size(), 8u + 5 * 32);
    EXPECT_EQ(be32At(stream, 0), 61u * 16384);  // whole clusters only
    EXPECT_EQ(be32At(stream, 4), 61u * 16384);
    EXPECT_EQ(shortNames(stream),
              (std::vector<std::string>{"A          ", "B          ", "C          ", "MP3        ",
                                        "HD         "}));
    EXPECT_EQ(stream[8 + 11], 0x10);
    EXPECT_TRUE(Host(recorder).list(block({'S', 0x47})).size() == 8);  // the second store is empty
}

TEST(RecorderReplies, ListingReplyGivesTheStreamLengthAndPadsToWhatTheHostReads) {
    Recorder recorder;
    Host host(recorder);
    auto reply = host.query(block({'M', 0x47}));
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 6), (Bytes{0x23, 0x00, 0x06, 0x3A, 0x00, 0x47}));
    std::size_t length = static_cast<std::size_t>(reply[6] << 8 | reply[7]);
    EXPECT_EQ(length, 168u);
    host.end();
    auto stream = host.query(block({0x46}), 4096);
    EXPECT_EQ(stream.size(), (length + 1) / 64 * 64 + 64);
}

TEST(RecorderReplies, FolderListingStartsWithDotEntries) {
    Recorder recorder({.sampleContent = true});
    auto names = shortNames(Host(recorder).listFolder("A"));
    ASSERT_GE(names.size(), 3u);
    EXPECT_EQ(names[0], ".          ");
    EXPECT_EQ(names[1], "..         ");
    EXPECT_EQ(names[2], "VOICE001DVF");
    // A missing folder is refused, which fails the host's header test.
    Host host(recorder);
    auto reply = host.query(block(cat({{'M', 0x67}, text("NOSUCH  ")})));
    EXPECT_NE(reply[2], 0x06);
}

TEST(RecorderReplies, CreatedFileReadsBackInWholeBlocks) {
    Recorder recorder;
    Host host(recorder);
    ASSERT_FALSE(host.listFolder("A").empty());
    Bytes content(40000);
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<std::uint8_t>(i * 7);
    ASSERT_EQ(host.create('M', "VOICE001DVF", u"Voice one.DVF", content), 0);
    std::uint64_t free = recorder.fileSystem().freeBytes('M');
    EXPECT_EQ(free, (64u << 20) - 3 * 16384);

    auto reply = host.query(readCommand("VOICE001DVF"));
    ASSERT_EQ(reply.size(), 64u);
    EXPECT_EQ(Bytes(reply.begin() + 3, reply.begin() + 6), (Bytes{0x3A, 'M', 0x52}));
    EXPECT_EQ(be32At(reply, 6 + 11), 40000u);
    auto body = host.read(2 * 32768);
    ASSERT_EQ(body.size(), 2u * 32768);
    EXPECT_TRUE(std::equal(content.begin(), content.end(), body.begin()));
    EXPECT_TRUE(std::all_of(body.begin() + 40000, body.end(), [](auto b) { return b == 0; }));
    EXPECT_EQ(host.read(64).size(), 0u);
    host.end();

    // An empty file still comes as one block.
    ASSERT_EQ(host.create('M', "EMPTY   DVF", u"", {}), 0);
    reply = host.query(readCommand("EMPTY   DVF"));
    EXPECT_EQ(be32At(reply, 6 + 11), 0u);
    EXPECT_EQ(host.read(100000).size(), 32768u);
    host.end();
    EXPECT_TRUE(recorder.protocolErrors().empty()) << recorder.protocolErrors().front();
}

TEST(RecorderReplies, ReadOfAMissingFileFailsTheEcho) {
    Recorder recorder;
    Host host(recorder);
    host.listFolder("A");
    auto reply = host.query(readCommand("NOSUCH  DVF"));
    EXPECT_FALSE(reply[3] == 0x3A && reply[4] == 'M' && reply[5] == 0x52);
    EXPECT_EQ(host.read(32768).size(), 0u);
}

TEST(RecorderReplies, CommandsWithOutcomeChangeTheFolder) {
    Recorder recorder({.sampleContent = true});
    Host host(recorder);
    host.listFolder("A");
    EXPECT_EQ(host.outcome(block(cat({{'M', 0x45}, text("VOICE002DVF")}))), 0);
    EXPECT_NE(host.outcome(block(cat({{'M', 0x45}, text("VOICE002DVF")}))), 0);  // gone now

    Bytes rename = block(cat({{'M', 0x4E},
                              be16(11),
                              text("VOICE001DVF"),
                              be16(12),
                              text("New Reco.DVF"),
                              be16(34),
                              utf16(u"New Recording.DVF")}),
                         0);
    EXPECT_EQ(host.outcome(rename), 0);
    auto names = shortNames(host.listFolder("A"));
    EXPECT_NE(std::find(names.begin(), names.end(), "New RecoDVF"), names.end());

    host.listFolder("HD");
    Bytes makeDir = block(
        cat({{'M', 0xE0}, be16(0x5A21), be16(0x6B40), be16(12), text("NOTES   .   "), be16(0)}), 0);
    EXPECT_EQ(host.outcome(makeDir), 0);
    EXPECT_NE(host.outcome(makeDir), 0);  // exists
    names = shortNames(host.listFolder("HD"));
    EXPECT_NE(std::find(names.begin(), names.end(), "NOTES      "), names.end());
    EXPECT_EQ(host.outcome(block(cat({{'M', 0xE1}, text("NOTES")}))), 0);
    EXPECT_EQ(shortNames(host.listFolder("HD")).size(), names.size() - 1);
    EXPECT_TRUE(recorder.protocolErrors().empty());
}

TEST(RecorderReplies, FormatAnswersThenFinishesWithItsOutcome) {
    Recorder recorder({.sampleContent = true});
    Host host(recorder);
    auto reply = host.query(block({'M', 0x46}));
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 3), (Bytes{0x23, 0x00, 0x04}));
    host.end();
    reply = host.query(kFinish6);
    EXPECT_EQ(reply[4], 0);
    host.end();
    EXPECT_EQ(shortNames(host.listFolder("A")).size(), 2u);
    EXPECT_EQ(recorder.fileSystem().freeBytes('M'), recorder.fileSystem().totalBytes('M'));
}

struct Malformed {
    const char* what;
    Bytes written;
};

TEST(RecorderStrictness, MalformedBlocksGetNoReply) {
    Bytes identifyBadN = kIdentify;
    identifyBadN[2] = 0x05;
    Bytes noDot = kIdentify;
    noDot[5] = 0x00;
    Bytes hugeN = kIdentify;
    hugeN[1] = 0x01;
    Bytes dirtyPadding = kIdentify;
    dirtyPadding[40] = 1;
    Bytes create64 = createBlock('M', "ABCDEFGHDVF", u"fifteen units!!", 10);  // N + 3 = 64
    ASSERT_EQ(create64.size(), 128u);
    create64.resize(64);
    const Malformed cases[] = {
        {"N that misses the '.'", identifyBadN},
        {"no closing '.'", noDot},
        {"N of 256 or more", hugeN},
        {"no '#'", Bytes(64, 0)},
        {"store letter X", block({'X', 0x47})},
        {"unknown operation", block({'M', 0x33})},
        {"IDENTIFY written exactly", block({0x59}, 0)},
        {"padding not zero", dirtyPadding},
        {"READ written as a block", block(cat({{'M', 0x52}, text("VOICE001DVF")}))},
        {"DELETE written exactly", block(cat({{'M', 0x45}, text("VOICE001DVF")}), 0)},
        {"CREATE of N+3 = 64 not padded to 128", create64},
        {"CREATE with wrong fixed bytes", block({'M', 0x90, 0x18, 0x02, 0x20}, 64)},
        {"LIST_FOLDER for store S", block(cat({{'S', 0x67}, text("A       ")}))},
        {"FINISH with nothing to finish", kFinish6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Recorder recorder({.sampleContent = true});
        Host host(recorder);
        host.listFolder("A");
        auto reply = host.query(c.written);
        EXPECT_TRUE(std::all_of(reply.begin(), reply.end(), [](auto b) { return b == 0; }));
        EXPECT_FALSE(recorder.protocolErrors().empty());
        // The recorder carries on with the next proper exchange.
        recorder.clearProtocolErrors();
        EXPECT_EQ(host.query(kIdentify)[2], 0x22);
        EXPECT_TRUE(recorder.protocolErrors().empty());
    }
}

TEST(RecorderStrictness, FinishInsideAListingMustBeA64ByteBlock) {
    Recorder recorder;
    Host host(recorder);
    host.query(block({'M', 0x47}));
    host.end();
    auto reply = host.query(kFinish6, 256);
    EXPECT_TRUE(reply.empty() ||
                std::all_of(reply.begin(), reply.end(), [](auto b) { return b == 0; }));
    EXPECT_FALSE(recorder.protocolErrors().empty());
}

TEST(RecorderStrictness, VendorRequestsMustComeInOrder) {
    Recorder recorder;
    Host host(recorder);
    // A command block without begin command.
    host.write(kIdentify);
    host.end();
    host.await();
    EXPECT_EQ(host.read(64).size(), 0u);
    EXPECT_GE(recorder.protocolErrors().size(), 1u);

    // The reply is not readable before await reply.
    recorder.clearProtocolErrors();
    host.begin();
    host.write(kIdentify);
    host.end();
    EXPECT_EQ(host.read(64).size(), 0u);
    EXPECT_EQ(recorder.protocolErrors().size(), 1u);

    // Await before end command.
    recorder.clearProtocolErrors();
    host.begin();
    host.write(kIdentify);
    host.await();
    EXPECT_EQ(recorder.protocolErrors().size(), 1u);

    // Data without an accepted CREATE.
    recorder.clearProtocolErrors();
    host.beginData();
    host.write(Bytes(32768, 0));
    EXPECT_GE(recorder.protocolErrors().size(), 1u);

    // Requests the recorder does not know are stalled; 0x0D is accepted.
    EXPECT_EQ(recorder.vendorRequest(0x0E, 0, 0), usb::UsbStatus::Stall);
    recorder.clearProtocolErrors();
    EXPECT_EQ(recorder.vendorRequest(0x0D, 0x0400, 0), usb::UsbStatus::Ok);
    EXPECT_TRUE(recorder.protocolErrors().empty());
    EXPECT_EQ(host.query(kIdentify)[2], 0x22);
}

TEST(RecorderStrictness, CreateDataMustMatchTheAnnouncedSize) {
    Recorder recorder;
    Host host(recorder);
    host.listFolder("A");
    // Too few blocks: the file is not created.
    ASSERT_EQ(host.query(createBlock('M', "SHORT   DVF", u"", 40000))[4], 0);
    host.end();
    host.beginData();
    host.write(Bytes(32768, 1));
    host.end();
    EXPECT_EQ(recorder.protocolErrors().size(), 1u);
    // Too many bytes.
    ASSERT_EQ(host.query(createBlock('M', "LONG    DVF", u"", 10))[4], 0);
    host.end();
    host.beginData();
    host.write(Bytes(32769, 1));
    EXPECT_EQ(recorder.protocolErrors().size(), 2u);
    EXPECT_EQ(recorder.fileSystem().folder('M', "A")->children.size(), 0u);
}

}  // namespace
}  // namespace vox::model::testing
