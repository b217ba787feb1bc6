// Reading the workers' notices: values copied while the notice is handled,
// pointers that may be null, codes and outcomes the workers never send.

#include "engine/session/worker_notices.h"

#include <gtest/gtest.h>

#include "engine/conversion/convert_notify.h"

namespace vox::session {
namespace {

messages::LParam pointerTo(const void* value) {
    return reinterpret_cast<messages::LParam>(value);
}

TEST(WorkerNoticesTest, TransferNoticesCopyTheWorkersValues) {
    std::uint32_t onWorkerStack = 65536;
    const auto started = readTransferNotice(TRANSFER_STARTED, pointerTo(&onWorkerStack));
    const auto progress = readTransferNotice(TRANSFER_PROGRESS, pointerTo(&onWorkerStack));
    onWorkerStack = 0xDEADBEEF;  // the worker goes on; the events keep what was sent
    ASSERT_TRUE(started && progress);
    EXPECT_EQ(std::get<TransferStarted>(*started).totalBytes, 65536u);
    EXPECT_EQ(std::get<TransferProgress>(*progress).bytesMoved, 65536u);

    const auto nullProgress = readTransferNotice(TRANSFER_PROGRESS, 0);
    ASSERT_TRUE(nullProgress);
    EXPECT_EQ(std::get<TransferProgress>(*nullProgress).bytesMoved, 0u);

    for (int outcome :
         {TRANSFER_DONE, TRANSFER_FILE_FAILED, TRANSFER_DEVICE_FAILED, TRANSFER_CANCELLED}) {
        const auto finished = readTransferNotice(TRANSFER_FINISHED, outcome);
        ASSERT_TRUE(finished);
        EXPECT_EQ(static_cast<int>(std::get<TransferFinished>(*finished).outcome), outcome);
    }
    EXPECT_FALSE(readTransferNotice(TRANSFER_FINISHED, 4));
    EXPECT_FALSE(readTransferNotice(TRANSFER_FINISHED, -1));
    EXPECT_FALSE(readTransferNotice(7, 0));
}

TEST(WorkerNoticesTest, FormatEndSaysWhetherTheRecorderAnswered) {
    int step = 42;
    const auto progress = readFormatNotice(FORMAT_PROGRESS, pointerTo(&step));
    step = 43;
    ASSERT_TRUE(progress);
    EXPECT_EQ(std::get<FormatStep>(*progress).step, 42);
    EXPECT_TRUE(std::holds_alternative<FormatStarted>(*readFormatNotice(FORMAT_STARTED, 0)));

    const int answered = 1;
    EXPECT_TRUE(std::get<FormatDone>(*readFormatNotice(FORMAT_DONE, pointerTo(&answered)))
                    .recorderAnswered);
    EXPECT_FALSE(std::get<FormatDone>(*readFormatNotice(FORMAT_DONE, 0)).recorderAnswered);
    EXPECT_FALSE(readFormatNotice(12, 0));
}

TEST(WorkerNoticesTest, ConversionNotices) {
    int percent = 37;
    const auto progress = readConversionNotice(conversion::CONVERT_PROGRESS, pointerTo(&percent));
    percent = 38;
    ASSERT_TRUE(progress);
    EXPECT_EQ(std::get<ConversionPercent>(*progress).percent, 37);
    EXPECT_EQ(
        std::get<ConversionPercent>(*readConversionNotice(conversion::CONVERT_PROGRESS, 0)).percent,
        0);
    EXPECT_TRUE(std::holds_alternative<ConversionStarted>(
        *readConversionNotice(conversion::CONVERT_STARTED, 0)));
    EXPECT_TRUE(std::holds_alternative<ConversionFinished>(
        *readConversionNotice(conversion::CONVERT_FINISHED, 0)));
    EXPECT_FALSE(readConversionNotice(3, 0));
}

}  // namespace
}  // namespace vox::session
