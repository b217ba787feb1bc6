// The sending, fetching and format workers over a scripted recorder: block
// counts, progress values, outcomes, cancelling, and what is left on the PC.

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

#include "device_library/device_link.h"
#include "device_library/tests/linked_fixture.h"
#include "device_library/tests/notice_log.h"
#include "device_library/tests/temp_dir.h"
#include "device_library/transfers.h"
#include "usb_driver/vxr250_public.h"

namespace vox::devsys {
namespace {

namespace fs = std::filesystem;
using testing::block;
using testing::Bytes;
using testing::IoEvent;
using testing::NoticeLog;
using testing::outcomeReply;
using testing::patterned;

constexpr std::uint32_t kBlock = 32768;

class TransferWorkersTest : public testing::LinkedTest {
  protected:
    std::string pcFile(const std::string& name, const Bytes& content) {
        return folder.file(name, content);
    }
    static Bytes contentOf(const fs::path& path) { return testing::TempDir::contentOf(path); }

    // Runs a worker to its end and joins it as the program does.
    void finish(messages::ThreadHandle handle) {
        ASSERT_NE(handle, nullptr);
        ASSERT_TRUE(log.waitFor(TRANSFER_FINISHED));
        handle->join();
        delete handle;
        link.unlock(ctx);
    }

    void send(const std::string& path, int* cancel = nullptr) {
        messages::ThreadHandle handle = nullptr;
        TransferJob job{
            path, "", STORE_MAIN, {log.window(), NoticeLog::kMessage}, CancelFlag(cancel)};
        EXPECT_EQ(startDownload(link, ctx, std::move(job), &handle), 0);
        finish(handle);
    }

    void fetch(const std::string& name, const std::string& target, int* cancel = nullptr) {
        messages::ThreadHandle handle = nullptr;
        TransferJob job{
            name, target, STORE_MAIN, {log.window(), NoticeLog::kMessage}, CancelFlag(cancel)};
        EXPECT_EQ(startUpload(link, ctx, std::move(job), &handle), 0);
        finish(handle);
    }

    // The READ reply for `name` announcing `size` bytes.
    void announce(const std::string& name, std::uint32_t size) {
        Bytes reply =
            block({0x23, 0x00, static_cast<std::uint8_t>(name.size() + 7), 0x3A, 'M', 0x52});
        std::copy(name.begin(), name.end(), reply.begin() + 6);
        for (int k = 0; k < 4; ++k)
            reply[6 + name.size() + k] = static_cast<std::uint8_t>(size >> (24 - 8 * k));
        provider.reply(reply);
    }

    std::vector<Bytes> dataWrites() const {
        std::vector<Bytes> blocks;
        for (const IoEvent& e : provider.writes()) {
            if (e.bytes.size() == kBlock) blocks.push_back(e.bytes);
        }
        return blocks;
    }
    std::uint32_t lastControl() const { return provider.of(IoEvent::Control).back().code; }

    testing::TempDir folder;
    NoticeLog log;
};

TEST_F(TransferWorkersTest, SendsWholeBlocksWithAZeroBlockAfterAFullOne) {
    const Bytes content = patterned(65536);
    provider.reply(outcomeReply(0));
    send(pcFile("two blocks.dvf", content));

    const auto blocks = dataWrites();
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0], Bytes(content.begin(), content.begin() + kBlock));
    EXPECT_EQ(blocks[1], Bytes(content.begin() + kBlock, content.end()));
    EXPECT_EQ(blocks[2], Bytes(kBlock, 0));
    EXPECT_EQ(log.valuesOf(TRANSFER_STARTED), std::vector<long long>{65536});
    EXPECT_EQ(log.valuesOf(TRANSFER_PROGRESS), (std::vector<long long>{32768, 65536, 65536}));
    EXPECT_EQ(log.valuesOf(TRANSFER_FINISHED), std::vector<long long>{TRANSFER_DONE});
    EXPECT_EQ(lastControl(), vxr250::IOCTL_END_COMMAND);

    const Bytes create = provider.writes()[0].bytes;
    EXPECT_EQ(create[5], 0x90);
    EXPECT_EQ((create[13] << 24) | (create[14] << 16) | (create[15] << 8) | create[16], 65536);
}

TEST_F(TransferWorkersTest, EmptyFileSendsOneZeroBlock) {
    provider.reply(outcomeReply(0));
    send(pcFile("empty.dvf", {}));
    ASSERT_EQ(dataWrites().size(), 1u);
    EXPECT_EQ(dataWrites()[0], Bytes(kBlock, 0));
    EXPECT_EQ(log.valuesOf(TRANSFER_STARTED), std::vector<long long>{0});
    EXPECT_EQ(log.valuesOf(TRANSFER_PROGRESS), std::vector<long long>{0});
    EXPECT_EQ(log.valuesOf(TRANSFER_FINISHED), std::vector<long long>{TRANSFER_DONE});
}

TEST_F(TransferWorkersTest, RefusedCreateAndMissingFileSendNothing) {
    provider.reply(outcomeReply(1));
    send(pcFile("refused.dvf", patterned(100)));
    EXPECT_EQ(provider.writes().size(), 1u);  // the CREATE alone
    EXPECT_EQ(log.countOf(TRANSFER_STARTED), 0);
    EXPECT_EQ(log.valuesOf(TRANSFER_FINISHED), std::vector<long long>{TRANSFER_DEVICE_FAILED});

    log.notices.clear();
    provider.events.clear();
    send((folder / "absent.dvf").string());
    EXPECT_EQ(log.valuesOf(TRANSFER_FINISHED), std::vector<long long>{TRANSFER_FILE_FAILED});
    EXPECT_EQ(provider.deviceCalls(), 0u);
}

TEST_F(TransferWorkersTest, FailedBlockEndsEarlyAndArmsTheResync) {
    provider.reply(outcomeReply(0));
    provider.failWritesFrom = 2;  // the CREATE and one block get through
    send(pcFile("cut.dvf", patterned(100000)));
    EXPECT_EQ(log.valuesOf(TRANSFER_PROGRESS), std::vector<long long>{32768});
    EXPECT_EQ(log.valuesOf(TRANSFER_FINISHED), std::vector<long long>{TRANSFER_DEVICE_FAILED});
    EXPECT_NE(lastControl(), vxr250::IOCTL_END_COMMAND);

    provider.reply(outcomeReply(0));  // the recorder's late reply
    provider.reply(testing::identifyReply('1', '5'));
    EXPECT_EQ(link.checkDevice(ctx), 1);
}

TEST_F(TransferWorkersTest, SendingCancelIsSeenAfterEveryBlock) {
    int cancel = 0;
    log.onNotice = [&](const testing::Notice& notice) {
        if (notice.code == TRANSFER_STARTED) std::atomic_ref<int>(cancel).store(1);
    };
    provider.reply(outcomeReply(0));
    send(pcFile("early.dvf", patterned(100000)), &cancel);
    EXPECT_EQ(dataWrites().size(), 1u);
    EXPECT_EQ(log.countOf(TRANSFER_PROGRESS), 0);
    EXPECT_EQ(log.valuesOf(TRANSFER_FINISHED), std::vector<long long>{TRANSFER_CANCELLED});

    // Raised while the last block goes out: the whole file is on the
    // recorder by then, so it is reported sent.
    cancel = 0;
    log.notices.clear();
    provider.events.clear();
    log.onNotice = [&](const testing::Notice& notice) {
        if (notice.code == TRANSFER_PROGRESS && notice.value == 65536)
            std::atomic_ref<int>(cancel).store(1);
    };
    provider.reply(outcomeReply(0));
    send(pcFile("late.dvf", patterned(65536)), &cancel);
    EXPECT_EQ(dataWrites().size(), 3u);
    EXPECT_EQ(log.valuesOf(TRANSFER_PROGRESS), (std::vector<long long>{32768, 65536, 65536}));
    EXPECT_EQ(log.valuesOf(TRANSFER_FINISHED), std::vector<long long>{TRANSFER_DONE});
    EXPECT_EQ(lastControl(), vxr250::IOCTL_END_COMMAND);
}

TEST_F(TransferWorkersTest, FetchWritesTheAnnouncedSize) {
    const Bytes content = patterned(65536);
    announce("VOICE001DVF", 40000);
    provider.reply(Bytes(content.begin(), content.begin() + kBlock));
    provider.reply(Bytes(content.begin() + kBlock, content.end()));
    const fs::path target = folder / "voice.dvf";
    fetch("VOICE001DVF", target.string());

    EXPECT_EQ(contentOf(target), Bytes(content.begin(), content.begin() + 40000));
    EXPECT_EQ(folder.names(), std::vector<std::string>{"voice.dvf"});
    EXPECT_EQ(log.valuesOf(TRANSFER_STARTED), std::vector<long long>{40000});
    EXPECT_EQ(log.valuesOf(TRANSFER_PROGRESS), (std::vector<long long>{32768, 40000}));
    EXPECT_EQ(log.valuesOf(TRANSFER_FINISHED), std::vector<long long>{TRANSFER_DONE});
    const auto reads = provider.of(IoEvent::Read);
    ASSERT_EQ(reads.size(), 3u);
    EXPECT_EQ(reads[1].length, kBlock);
    EXPECT_EQ(provider.writes()[0].bytes.size(), 11u + 7u);  // READ goes out exactly
}

TEST_F(TransferWorkersTest, FetchOfOneAndOfNoBlock) {
    announce("ONE     DVF", kBlock);
    provider.reply(patterned(kBlock));
    fetch("ONE     DVF", (folder / "one.dvf").string());
    EXPECT_EQ(log.valuesOf(TRANSFER_PROGRESS), std::vector<long long>{32768});
    EXPECT_EQ(contentOf(folder / "one.dvf"), patterned(kBlock));

    log.notices.clear();
    provider.events.clear();
    announce("EMPTY   DVF", 0);
    provider.reply(Bytes(kBlock, 0));
    fetch("EMPTY   DVF", (folder / "empty.dvf").string());
    EXPECT_EQ(provider.of(IoEvent::Read).size(), 2u);  // the reply and one block
    EXPECT_EQ(log.valuesOf(TRANSFER_PROGRESS), std::vector<long long>{0});
    EXPECT_TRUE(fs::exists(folder / "empty.dvf"));
    EXPECT_EQ(fs::file_size(folder / "empty.dvf"), 0u);
}

TEST_F(TransferWorkersTest, FailedFetchLeavesThePcFileAsItWas) {
    const Bytes before = {'k', 'e', 'e', 'p'};
    const std::string target = pcFile("kept.dvf", before);

    provider.reply(block({0x23, 0x00, 0x0A, 0x3A, 'S', 0x52}));  // echo of the wrong store
    fetch("KEPT    DVF", target);
    EXPECT_EQ(log.valuesOf(TRANSFER_FINISHED), std::vector<long long>{TRANSFER_DEVICE_FAILED});
    EXPECT_EQ(contentOf(target), before);

    log.notices.clear();
    announce("KEPT    DVF", 100000);
    provider.reply(patterned(kBlock));  // then the recorder goes quiet
    fetch("KEPT    DVF", target);
    EXPECT_EQ(log.valuesOf(TRANSFER_FINISHED), std::vector<long long>{TRANSFER_DEVICE_FAILED});
    EXPECT_EQ(contentOf(target), before);
    EXPECT_EQ(folder.names(), std::vector<std::string>{"kept.dvf"});

    // A size that would lie past the reply block is not taken from it.
    log.notices.clear();
    const std::string longName(55, 'L');
    provider.reply(block({0x23, 0x00, 0x3E, 0x3A, 'M', 0x52}));
    fetch(longName, target);
    EXPECT_EQ(log.valuesOf(TRANSFER_FINISHED), std::vector<long long>{TRANSFER_DEVICE_FAILED});
    EXPECT_EQ(contentOf(target), before);

    log.notices.clear();
    provider.events.clear();
    fetch("KEPT    DVF", (folder / "no such folder" / "x.dvf").string());
    EXPECT_EQ(log.valuesOf(TRANSFER_FINISHED), std::vector<long long>{TRANSFER_FILE_FAILED});
    EXPECT_EQ(provider.deviceCalls(), 0u);
}

TEST_F(TransferWorkersTest, FetchCancelBeforeAndAtTheLastBlock) {
    const Bytes before = {'o', 'l', 'd'};
    const std::string target = pcFile("cancel.dvf", before);
    int cancel = 0;
    log.onNotice = [&](const testing::Notice& notice) {
        if (notice.code == TRANSFER_STARTED) std::atomic_ref<int>(cancel).store(1);
    };
    announce("CANCEL  DVF", 100000);
    for (int i = 0; i < 4; ++i) provider.reply(patterned(kBlock));
    fetch("CANCEL  DVF", target, &cancel);
    EXPECT_EQ(provider.of(IoEvent::Read).size(), 2u);
    EXPECT_EQ(log.valuesOf(TRANSFER_FINISHED), std::vector<long long>{TRANSFER_CANCELLED});
    EXPECT_EQ(contentOf(target), before);

    // Raised while the last block arrives: the fetch runs to its end and
    // reports the cancel; the PC file still stays as it was.
    cancel = 0;
    log.notices.clear();
    provider.events.clear();
    provider.replies.clear();
    log.onNotice = [&](const testing::Notice& notice) {
        if (notice.code == TRANSFER_PROGRESS && notice.value == 32768)
            std::atomic_ref<int>(cancel).store(1);
    };
    announce("CANCEL  DVF", 40000);
    provider.reply(patterned(kBlock));
    provider.reply(patterned(kBlock));
    fetch("CANCEL  DVF", target, &cancel);
    EXPECT_EQ(provider.of(IoEvent::Read).size(), 3u);
    EXPECT_EQ(log.valuesOf(TRANSFER_PROGRESS), (std::vector<long long>{32768, 40000}));
    EXPECT_EQ(log.valuesOf(TRANSFER_FINISHED), std::vector<long long>{TRANSFER_CANCELLED});
    EXPECT_EQ(lastControl(), vxr250::IOCTL_END_COMMAND);
    EXPECT_EQ(contentOf(target), before);
    EXPECT_EQ(folder.names(), std::vector<std::string>{"cancel.dvf"});
}

TEST_F(TransferWorkersTest, WorkerKeepsTheLockUntilUnlock) {
    provider.reply(outcomeReply(0));
    messages::ThreadHandle handle = nullptr;
    TransferJob job{pcFile("a.dvf", patterned(10)),
                    "",
                    STORE_MAIN,
                    {log.window(), NoticeLog::kMessage},
                    CancelFlag(nullptr)};
    startDownload(link, ctx, job, &handle);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(ctx->busy, 1);
    EXPECT_EQ(ctx->worker, nullptr);  // the handle is the caller's alone
    messages::ThreadHandle second = nullptr;
    EXPECT_EQ(startUpload(link, ctx, job, &second), 0);
    EXPECT_EQ(second, nullptr);
    finish(handle);
    EXPECT_EQ(ctx->busy, 0);
}

TEST_F(TransferWorkersTest, FormatPacesAHundredStepsBesideTheWorker) {
    provider.reply(block({0x23, 0x00, 0x04, 0x3A, 'M', 0x46}));
    provider.reply(outcomeReply(0));
    messages::ThreadHandle handle = nullptr;
    FormatRequest request{1u << 20, log.window(), NoticeLog::kMessage, STORE_MAIN, &handle};
    EXPECT_EQ(startFormat(link, ctx, &request), 0);
    ASSERT_TRUE(log.waitFor(FORMAT_DONE, 2));
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle->join(), 0);
    delete handle;
    EXPECT_EQ(log.valuesOf(FORMAT_STARTED), std::vector<long long>{0});
    std::vector<long long> steps(100);
    std::iota(steps.begin(), steps.end(), 1);
    EXPECT_EQ(log.valuesOf(FORMAT_PROGRESS), steps);
    auto done = log.valuesOf(FORMAT_DONE);
    std::sort(done.begin(), done.end());
    EXPECT_EQ(done, (std::vector<long long>{-1, 1}));  // the pacer's null, the worker's 1
    EXPECT_EQ(formatStepDelay(64u << 20).count(), 90);

    link.unlock(ctx);
    log.notices.clear();
    provider.reply(block({0x23, 0x00, 0x06}));  // not a format reply
    handle = nullptr;
    request.pacingValue = 0;
    EXPECT_EQ(startFormat(link, ctx, &request), 0);
    ASSERT_TRUE(log.waitFor(FORMAT_DONE, 2));
    EXPECT_EQ(handle->join(), 3);
    delete handle;
    EXPECT_EQ(log.valuesOf(FORMAT_DONE), (std::vector<long long>{-1, -1}));
}

}  // namespace
}  // namespace vox::devsys
