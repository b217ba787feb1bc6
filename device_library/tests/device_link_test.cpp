// The device context, the busy lock, the identify exchange and finding the
// recorder's interface.

#include "device_library/device_link.h"

#include <gtest/gtest.h>

#include <array>
#include <barrier>
#include <cstring>
#include <thread>
#include <vector>

#include "device_library/catalogue.h"
#include "device_library/file_management.h"
#include "device_library/tests/scripted_provider.h"

namespace vox::devsys {
namespace {

using testing::block;
using testing::Bytes;
using testing::identifyReply;
using testing::ScriptedProvider;

TEST(DeviceLinkTest, CreateDevCountsInstancesWithAndWithoutARecorder) {
    ScriptedProvider provider;
    DeviceLink link(&provider);
    DeviceContext* const untouched = reinterpret_cast<DeviceContext*>(0x1234);
    DeviceContext* ctx = untouched;

    provider.present = false;
    EXPECT_EQ(link.createDev(&ctx), 0);
    EXPECT_EQ(ctx, untouched);
    EXPECT_EQ(link.instanceCount(), 0);

    provider.present = true;
    provider.reply(identifyReply('1', '5'));
    EXPECT_EQ(link.createDev(&ctx), 0);
    ASSERT_NE(ctx, untouched);
    EXPECT_EQ(link.instanceCount(), 1);
    EXPECT_EQ(ctx->openCounter, 10);
    EXPECT_EQ(ctx->busy, 0);
    EXPECT_EQ(ctx->worker, nullptr);

    DeviceContext* second = untouched;
    EXPECT_EQ(link.createDev(&second), 1);  // one context at a time
    EXPECT_EQ(second, untouched);
    EXPECT_EQ(link.instanceCount(), 1);

    EXPECT_EQ(link.destroyDev(), 0);
    EXPECT_EQ(link.instanceCount(), 0);
    EXPECT_FALSE(link.isCurrent(ctx));
    EXPECT_EQ(link.destroyDev(), 0);  // without a context the count still drops
    EXPECT_EQ(link.instanceCount(), -1);
}

TEST(DeviceLinkTest, BusyLockKeepsOtherOperationsOffTheRecorder) {
    ScriptedProvider provider;
    DeviceLink link(&provider);
    DeviceContext* ctx = nullptr;
    provider.reply(identifyReply('1', '5'));
    ASSERT_EQ(link.createDev(&ctx), 0);
    ASSERT_TRUE(link.lock(ctx));
    provider.events.clear();

    EXPECT_EQ(link.checkDevice(ctx), 0);
    PlayerInfo info{};
    EXPECT_EQ(link.playerVersion(ctx, &info), 0);
    DeviceListing listing{};
    EXPECT_EQ(refreshDevice(link, ctx, &listing, nullptr, STORE_MAIN), 0);
    EXPECT_EQ(playerStatus(link, ctx), 0);
    EXPECT_EQ(deleteFile(link, ctx, "A", STORE_MAIN), kNotCarriedOut);
    EXPECT_EQ(provider.deviceCalls(), 0u);
    EXPECT_EQ(ctx->busy, 1);

    EXPECT_EQ(link.unlock(ctx), ctx);
    EXPECT_EQ(ctx->busy, 0);
    provider.reply(identifyReply('1', '5'));
    EXPECT_EQ(link.checkDevice(ctx), 1);

    // A worker recorded in the slot also keeps the lock from being taken.
    ctx->worker = reinterpret_cast<messages::ThreadHandle>(0x1);
    EXPECT_FALSE(link.lock(ctx));
    ctx->worker = nullptr;
    // A context that is not the current one is never locked.
    DeviceContext stranger{0, nullptr, 10};
    EXPECT_FALSE(link.lock(&stranger));
    EXPECT_FALSE(link.lock(nullptr));
}

TEST(DeviceLinkTest, TwoThreadsRacingForTheLockNeverBothWin) {
    ScriptedProvider provider;
    DeviceLink link(&provider);
    DeviceContext* ctx = nullptr;
    provider.reply(identifyReply('1', '5'));
    ASSERT_EQ(link.createDev(&ctx), 0);

    constexpr int kRounds = 10000;
    std::array<std::vector<char>, 2> won{std::vector<char>(kRounds), std::vector<char>(kRounds)};
    // Both threads wait at the start of each round, so they ask together;
    // the second wait keeps the unlock out of the round.
    std::barrier roundStart(2);
    std::barrier roundEnd(2, [&]() noexcept { link.unlock(ctx); });
    auto contender = [&](int who) {
        for (int round = 0; round < kRounds; ++round) {
            roundStart.arrive_and_wait();
            won[who][round] = link.lock(ctx) ? 1 : 0;
            roundEnd.arrive_and_wait();
        }
    };
    std::thread first(contender, 0);
    std::thread second(contender, 1);
    first.join();
    second.join();

    int bothWon = 0;
    int noneWon = 0;
    for (int round = 0; round < kRounds; ++round) {
        const int winners = won[0][round] + won[1][round];
        bothWon += winners == 2 ? 1 : 0;
        noneWon += winners == 0 ? 1 : 0;
    }
    EXPECT_EQ(bothWon, 0);
    EXPECT_EQ(noneWon, 0);  // an idle lock always goes to one of them
    EXPECT_EQ(link.isUsed(ctx), 0);
}

TEST(DeviceLinkTest, IdentifyGivesPlayerInfoAndTheVersionByte) {
    ScriptedProvider provider;
    DeviceLink link(&provider);
    DeviceContext* ctx = nullptr;
    provider.reply(identifyReply('1', '5', "OTHER-9"));  // any model name is accepted
    ASSERT_EQ(link.createDev(&ctx), 0);
    EXPECT_EQ(link.versionByte(), 0x15);

    Bytes reply = identifyReply('0', '9');
    reply[4 + 31] = 0xAB;  // bytes the library does not interpret pass unchanged
    provider.reply(reply);
    PlayerInfo info{};
    ASSERT_EQ(link.playerVersion(ctx, &info), 1);
    EXPECT_EQ(link.versionByte(), 0x09);
    EXPECT_EQ(std::memcmp(&info, reply.data() + 4, sizeof info), 0);
    EXPECT_EQ(std::string(info.modelName, 7), "QZ-410T");

    // A failed identify leaves the version byte as it was.
    provider.reply(block({0x23, 0x00, 0x06}));
    EXPECT_EQ(link.checkDevice(ctx), 0);
    EXPECT_EQ(link.versionByte(), 0x09);
}

TEST(DeviceLinkTest, StaleReplyIsSkippedOnceAfterAnEarlyEnd) {
    ScriptedProvider provider;
    DeviceLink link(&provider);
    DeviceContext* ctx = nullptr;
    provider.reply(identifyReply('1', '5'));
    ASSERT_EQ(link.createDev(&ctx), 0);

    // Without a transfer that ended early, a stale block fails the identify.
    provider.reply(testing::outcomeReply(0));
    provider.reply(identifyReply('1', '5'));
    EXPECT_EQ(link.checkDevice(ctx), 0);
    provider.replies.clear();

    link.requestResync();
    provider.reply(testing::outcomeReply(0));
    provider.reply(identifyReply('1', '5'));
    EXPECT_EQ(link.checkDevice(ctx), 1);

    link.requestResync();
    provider.reply(testing::outcomeReply(0));
    provider.reply(testing::outcomeReply(0));
    provider.reply(identifyReply('1', '5'));
    EXPECT_EQ(link.checkDevice(ctx), 0);
    // The flag was used up by the failed attempt.
    provider.replies.clear();
    provider.reply(testing::outcomeReply(0));
    provider.reply(identifyReply('1', '5'));
    EXPECT_EQ(link.checkDevice(ctx), 0);
}

TEST(DeviceLinkTest, PipeOpeningSearchesAndWritesItsDiagnostics) {
    ScriptedProvider provider;
    DeviceLink link(&provider);
    ::testing::internal::CaptureStdout();
    EXPECT_NE(link.openPipe("PIPE00"), nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Opened successfully.\n");
    const auto opens = provider.of(testing::IoEvent::Open);
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_EQ(opens[0].path, provider.path);  // the search opens the interface itself
    EXPECT_EQ(opens[1].path, provider.path + "\\PIPE00");

    provider.present = false;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(link.openPipe("PIPE01"), nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Failed to GetUsbDeviceFileName\n");

    // An interface path with no room for the pipe name is never opened.
    provider.present = true;
    provider.path = "\\\\?\\" + std::string(245, 'p');
    provider.events.clear();
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(link.openPipe("PIPE00"), nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "FAILED to open " + provider.path + "\nFailed to GetUsbDeviceFileName\n");
    EXPECT_EQ(provider.deviceCalls(), 0u);
    provider.path.resize(248);
    EXPECT_NE(link.openPipe("PIPE00"), nullptr);
}

}  // namespace
}  // namespace vox::devsys
