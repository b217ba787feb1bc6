// The command blocks as they reach the out pipe, against bytes written out
// by hand, and the order of the vendor requests around them.

#include <gtest/gtest.h>

#include "device_library/catalogue.h"
#include "device_library/command_builder.h"
#include "device_library/device_link.h"
#include "device_library/file_management.h"
#include "device_library/tests/expected_bytes.h"
#include "device_library/tests/linked_fixture.h"
#include "device_library/tests/scripted_provider.h"
#include "platform/text/time_text.h"
#include "usb_driver/vxr250_public.h"

namespace vox::devsys {
namespace {

using testing::block;
using testing::Bytes;
using testing::Expected;
using testing::IoEvent;
using testing::outcomeReply;

class CommandBlocksTest : public testing::LinkedTest {
  protected:
    // Answers a command with an outcome: first reply, then FINISH's.
    void answerWithOutcome(std::uint8_t outcome) {
        provider.reply(block({0x23, 0x00, 0x02, 0x3A}));
        provider.reply(outcomeReply(outcome));
    }
};

TEST_F(CommandBlocksTest, DeleteRunsTheCommandWithOutcomeExchange) {
    answerWithOutcome(0);
    EXPECT_EQ(deleteFile(link, ctx, "VOICE001DVF", STORE_MAIN), 0);
    const auto writes = provider.writes();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].bytes, Bytes(Expected()
                                         .raw({0x23, 0x00, 0x0F, 0x3A, 'M', 0x45})
                                         .text("VOICE001DVF")
                                         .raw({0x2E})
                                         .padTo(64)));
    EXPECT_EQ(writes[1].bytes, Bytes({0x23, 0x00, 0x03, 0x3A, 0x46, 0x2E}));  // FINISH, exact

    using vxr250::IOCTL_AWAIT_REPLY;
    using vxr250::IOCTL_BEGIN_COMMAND;
    using vxr250::IOCTL_END_COMMAND;
    std::vector<std::string> sequence;
    for (const IoEvent& e : provider.events) {
        if (e.kind == IoEvent::Control)
            sequence.push_back(std::string(vxr250::controlCodeName(e.code)));
        if (e.kind == IoEvent::Write) sequence.push_back("write " + std::to_string(e.bytes.size()));
        if (e.kind == IoEvent::Read) sequence.push_back("read " + std::to_string(e.length));
    }
    EXPECT_EQ(sequence,
              (std::vector<std::string>{"IOCTL_BEGIN_COMMAND", "write 64", "IOCTL_END_COMMAND",
                                        "IOCTL_AWAIT_REPLY", "read 64", "IOCTL_END_COMMAND",
                                        "IOCTL_BEGIN_COMMAND", "write 6", "IOCTL_END_COMMAND",
                                        "IOCTL_AWAIT_REPLY", "read 64", "IOCTL_END_COMMAND"}));
}

TEST_F(CommandBlocksTest, OutcomeIsTheFinishRepliesFourthByte) {
    answerWithOutcome(7);
    EXPECT_EQ(removeDirectory(link, ctx, "OLD", STORE_ALT), 7);
    EXPECT_EQ(
        provider.writes()[0].bytes,
        Bytes(
            Expected().raw({0x23, 0x00, 0x07, 0x3A, 'S', 0xE1}).text("OLD").raw({0x2E}).padTo(64)));

    // No FINISH reply block at all: not carried out, not "done".
    provider.reply(block({0x23, 0x00, 0x02}));
    EXPECT_EQ(deleteFile(link, ctx, "X", STORE_MAIN), kNotCarriedOut);
    provider.present = false;
    EXPECT_EQ(deleteFile(link, ctx, "X", STORE_MAIN), kNotCarriedOut);
    EXPECT_EQ(ctx->busy, 0);
}

TEST_F(CommandBlocksTest, NamesTooLongForTheirBlockAreRefusedWithoutIo) {
    const std::string fits(57, 'N');
    answerWithOutcome(0);
    EXPECT_EQ(deleteFile(link, ctx, fits.c_str(), STORE_MAIN), 0);
    EXPECT_EQ(provider.writes()[0].bytes.back(), 0x2E);  // the '.' is the block's last byte
    provider.events.clear();

    const std::string tooLong(58, 'N');
    EXPECT_EQ(deleteFile(link, ctx, tooLong.c_str(), STORE_MAIN), kNotCarriedOut);
    EXPECT_EQ(removeDirectory(link, ctx, tooLong.c_str(), STORE_MAIN), kNotCarriedOut);
    EXPECT_EQ(moveFile(link, ctx, std::string(57, 'N').c_str(), 1, STORE_MAIN), kNotCarriedOut);
    EXPECT_EQ(renameFile(link, ctx, "A.DVF", std::string(120, 'b').c_str(), STORE_MAIN),
              kNotCarriedOut);
    EXPECT_EQ(makeDirectory(link, ctx, std::string(116, 'd').c_str(), STORE_MAIN), kNotCarriedOut);
    EXPECT_EQ(provider.deviceCalls(), 0u);
    EXPECT_EQ(ctx->busy, 0);

    EXPECT_FALSE(readCommand(STORE_MAIN, std::string(252, 'r')).has_value());  // N = 256
    EXPECT_TRUE(readCommand(STORE_MAIN, std::string(251, 'r')).has_value());
}

TEST_F(CommandBlocksTest, MoveSendsThePositionsLowByte) {
    answerWithOutcome(0);
    EXPECT_EQ(moveFile(link, ctx, "SONG    MP3", 256, STORE_MAIN), 0);
    answerWithOutcome(0);
    EXPECT_EQ(moveFile(link, ctx, "SONG    MP3", 3, STORE_MAIN), 0);
    const auto writes = provider.writes();
    EXPECT_EQ(writes[0].bytes, Bytes(Expected()
                                         .raw({0x23, 0x00, 0x10, 0x3A, 'M', 0x50})
                                         .text("SONG    MP3")
                                         .raw({0x00, 0x2E})
                                         .padTo(64)));
    EXPECT_EQ(writes[2].bytes[17], 3);
}

TEST_F(CommandBlocksTest, RenameWithALongNameIsWrittenExactly) {
    // New name of 49 bytes: short name "AAAAAAAA.DVF", 98 bytes of UTF-16,
    // N = 10 + 11 + 12 + 98 = 131, read by the recorder as one unsigned byte.
    const std::string newName = std::string(45, 'A') + ".DVF";
    answerWithOutcome(0);
    EXPECT_EQ(renameFile(link, ctx, "VOICE001DVF", newName.c_str(), STORE_MAIN), 0);
    std::u16string wide(newName.begin(), newName.end());
    const Bytes expected = Expected()
                               .raw({0x23, 0x00, 0x83, 0x3A, 'M', 0x4E, 0x00, 0x0B})
                               .text("VOICE001DVF")
                               .raw({0x00, 0x0C})
                               .text("AAAAAAAA.DVF")
                               .raw({0x00, 0x62})
                               .utf16(wide)
                               .raw({0x2E});
    ASSERT_EQ(expected.size(), 134u);
    EXPECT_EQ(provider.writes()[0].bytes, expected);
}

TEST_F(CommandBlocksTest, RenameAndMakeDirectoryShortAndLongNames) {
    answerWithOutcome(0);
    renameFile(link, ctx, "VOICE001DVF", "Memo", STORE_MAIN);  // no dot: the first 4 bytes
    EXPECT_EQ(provider.writes()[0].bytes,
              Bytes(Expected()
                        .raw({0x23, 0x00, 0x21, 0x3A, 'M', 0x4E, 0x00, 0x0B})
                        .text("VOICE001DVF")
                        .raw({0x00, 0x04})
                        .text("Memo")
                        .raw({0x00, 0x08})
                        .utf16(u"Memo")
                        .raw({0x2E})));
    provider.events.clear();

    const text::LocalTime before = text::localTimeNow();
    answerWithOutcome(0);
    makeDirectory(link, ctx, "VOICE", STORE_MAIN);
    const Bytes made = provider.writes()[0].bytes;
    ASSERT_EQ(made.size(), 27u);
    EXPECT_EQ(Bytes(made.begin(), made.begin() + 6), Bytes({0x23, 0x00, 0x18, 0x3A, 'M', 0xE0}));
    EXPECT_EQ(made[6] << 8 | made[7], text::fatDate(before));
    EXPECT_EQ(Bytes(made.begin() + 10, made.end()),
              Bytes(Expected().raw({0x00, 0x0C}).text("VOICE   .   ").raw({0x00, 0x00, 0x2E})));
    provider.events.clear();

    answerWithOutcome(0);
    makeDirectory(link, ctx, "FOLDER12", STORE_MAIN);  // 8 bytes: short and long name
    const Bytes eight = provider.writes()[0].bytes;
    EXPECT_EQ(eight[2], 24 + 16);
    EXPECT_EQ(Bytes(eight.begin() + 10, eight.end()), Bytes(Expected()
                                                                .raw({0x00, 0x0C})
                                                                .text("FOLDER12.   ")
                                                                .raw({0x00, 0x10})
                                                                .utf16(u"FOLDER12")
                                                                .raw({0x2E})));
}

TEST(CommandBuilderTest, FixedCommandsAndStoreSelectors) {
    EXPECT_EQ(identifyCommand().bytes,
              Bytes(Expected().raw({0x23, 0x00, 0x03, 0x3A, 0x59, 0x2E}).padTo(64)));
    EXPECT_EQ(listStoreCommand(STORE_ALT).bytes,
              Bytes(Expected().raw({0x23, 0x00, 0x04, 0x3A, 'S', 0x47, 0x2E}).padTo(64)));
    EXPECT_EQ(listStoreCommand(5).bytes, Bytes(64, 0));
    EXPECT_EQ(formatCommand(STORE_MAIN).bytes,
              Bytes(Expected().raw({0x23, 0x00, 0x04, 0x3A, 'M', 0x46, 0x2E}).padTo(64)));
    EXPECT_EQ(formatCommand(0).bytes, Bytes(64, 0));
    EXPECT_EQ(statusCommand().bytes,
              Bytes(Expected().raw({0x23, 0x00, 0x04, 0x3A, 0x90, 0x53, 0x2E}).padTo(64)));
    EXPECT_EQ(finishCommand(true).bytes.size(), 64u);
    EXPECT_EQ(finishCommand(false).bytes.size(), 6u);
    // Other selectors go out as the main store.
    EXPECT_EQ(deleteCommand(7, "A")->bytes[4], 'M');
}

TEST(CommandBuilderTest, ListFolderNameIsCutAndPadded) {
    auto folderOf = [](std::string_view name) {
        const Bytes bytes = listFolderCommand(name).bytes;
        EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 6),
                  Bytes({0x23, 0x00, 0x0C, 0x3A, 'M', 0x67}));
        EXPECT_EQ(bytes[14], 0x2E);
        return std::string(bytes.begin() + 6, bytes.begin() + 14);
    };
    EXPECT_EQ(folderOf("MP3     "), "MP3     ");
    EXPECT_EQ(folderOf("MP3"), "MP3     ");
    EXPECT_EQ(folderOf("LONGFOLDERNAME"), "LONGFOLD");
    EXPECT_EQ(folderOf(""), "        ");
    EXPECT_EQ(folderOf(" A"), "        ");
    EXPECT_EQ(folderOf("A\xC3\xA9"
                       "B"),
              "A       ");
    EXPECT_EQ(folderOf("AB\tC"), "AB      ");
}

TEST(CommandBuilderTest, CreateIsPaddedPastItsLastByte) {
    CreateFields fields;
    fields.store = STORE_MAIN;
    fields.fatDate = 0x5876;
    fields.fatTime = 0x6D2F;
    fields.size = 0x01020304;
    fields.shortName = "ABCDEFGHXYZ";
    fields.longName = u"abcdefgh.mp3xyz";  // N = 20 + 11 + 30 = 61, N + 3 = 64
    const Bytes expected = Expected()
                               .raw({0x23, 0x00, 0x3D, 0x3A, 'M',  0x90, 0x17, 0x02, 0x20, 0x58,
                                     0x76, 0x6D, 0x2F, 0x01, 0x02, 0x03, 0x04, 0x32, 0x00, 0x0B})
                               .text("ABCDEFGHXYZ")
                               .raw({0x00, 0x1E})
                               .utf16(u"abcdefgh.mp3xyz")
                               .raw({0x2E})
                               .padTo(128);
    EXPECT_EQ(createCommand(fields)->bytes, expected);
    fields.longName = u"abcdefgh.mp3xy";  // N + 3 = 62
    EXPECT_EQ(createCommand(fields)->bytes.size(), 64u);
}

}  // namespace
}  // namespace vox::devsys
