#include "device_library/tests/integration_suite.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "device_library/tests/notice_log.h"
#include "device_library/tests/temp_dir.h"

namespace vox::devsys::testing {

void RecorderIntegrationTest::SetUp() {
    model::RecorderOptions options;
    options.capacityBytes = 16ull << 20;
    rig_ = GetParam().make(options);
    previous_ = devio::installProvider(rig_.provider);
    ASSERT_EQ(CreateDev(&ctx), 0);
    ASSERT_NE(ctx, nullptr) << "no recorder answered";
}

void RecorderIntegrationTest::TearDown() {
    DestroyDev(ctx);
    devio::installProvider(previous_);
}

bool RecorderIntegrationTest::list(const char* folder, DeviceListing& listing) {
    return QVRefreshDevice(ctx, &listing, folder, 0, STORE_MAIN) == 1;
}

int RecorderIntegrationTest::find(const DeviceListing& listing, const std::string& name) {
    for (int i = 0; i < listing.entryCount; ++i) {
        const DeviceEntry& entry = listing.entries[i];
        if (name == entry.longName || name == entry.displayName) return i;
    }
    return -1;
}

namespace {

using Listing = std::unique_ptr<DeviceListing>;
Listing emptyListing() {
    return std::make_unique<DeviceListing>();
}

// Runs one transfer export to its end as the program does and gives its outcome.
class Transfer {
  public:
    explicit Transfer(DeviceContext* ctx) : ctx_(ctx) {}

    int send(const std::string& pcPath) {
        messages::ThreadHandle handle = nullptr;
        QVDownloadFile(ctx_, pcPath.c_str(), STORE_MAIN, log.window(), NoticeLog::kMessage, &handle,
                       &cancel);
        return finish(handle);
    }
    int fetch(const std::string& recorderName, const std::string& pcPath) {
        messages::ThreadHandle handle = nullptr;
        QVUploadFile(ctx_, recorderName.c_str(), pcPath.c_str(), STORE_MAIN, log.window(),
                     NoticeLog::kMessage, &handle, &cancel);
        return finish(handle);
    }

    NoticeLog log;
    int cancel = 0;

  private:
    int finish(messages::ThreadHandle handle) {
        if (handle == nullptr || !log.waitFor(TRANSFER_FINISHED)) return -1;
        handle->join();
        delete handle;
        UnlockDev(ctx_);
        return static_cast<int>(log.valuesOf(TRANSFER_FINISHED).front());
    }
    DeviceContext* ctx_;
};

}  // namespace

TEST_P(RecorderIntegrationTest, IdentifiesTheRecorder) {
    PlayerInfo info{};
    ASSERT_EQ(QVGetPlayerVersion(ctx, &info), 1);
    EXPECT_EQ(std::string(info.modelName, 7), recorder().options().modelName);
    EXPECT_EQ(QVCheckDevice(ctx), 1);
    EXPECT_EQ(QVGetPlayerStatus(ctx), recorder().options().statusValue);
    EXPECT_EQ(QVIsUsed(ctx), 0);
    EXPECT_EQ(QVGetOpen(ctx), 10);
}

TEST_P(RecorderIntegrationTest, PutListGetDelete) {
    TempDir pc;
    const auto content = patterned(100000);
    auto listing = emptyListing();
    ASSERT_TRUE(list("A       ", *listing));
    const int before = listing->entryCount;

    Transfer put(ctx);
    EXPECT_EQ(put.send(pc.file("meeting notes 1.dvf", content)), TRANSFER_DONE);
    EXPECT_EQ(put.log.valuesOf(TRANSFER_PROGRESS).back(), 100000);
    ASSERT_TRUE(list("A", *listing));
    EXPECT_EQ(listing->entryCount, before + 1);
    const int at = find(*listing, "meeting notes 1.dvf");
    ASSERT_GE(at, 0);
    EXPECT_EQ(listing->entries[at].size, 100000u);
    EXPECT_EQ(listing->entries[at].hasLongName, 1);

    Transfer get(ctx);
    const auto target = pc / "copy.dvf";
    EXPECT_EQ(get.fetch(listing->entries[at].displayName, target.string()), TRANSFER_DONE);
    EXPECT_EQ(TempDir::contentOf(target), content);

    EXPECT_EQ(QVDeleteFile(ctx, listing->entries[at].displayName, STORE_MAIN), 0);
    ASSERT_TRUE(list("A", *listing));
    EXPECT_EQ(find(*listing, "meeting notes 1.dvf"), -1);
    EXPECT_EQ(QVDeleteFile(ctx, "NOSUCH  DVF", STORE_MAIN) > 0, true);  // refused by the recorder
    EXPECT_TRUE(recorder().protocolErrors().empty());
}

TEST_P(RecorderIntegrationTest, MoveRenameAndFolders) {
    TempDir pc;
    auto listing = emptyListing();
    ASSERT_TRUE(list("HD", *listing));
    for (const char* name : {"first.txt", "second.txt", "third.txt"}) {
        Transfer put(ctx);
        ASSERT_EQ(put.send(pc.file(name, patterned(10))), TRANSFER_DONE) << name;
    }
    ASSERT_TRUE(list("HD", *listing));
    const int third = find(*listing, "third.txt");
    ASSERT_GE(third, 2);
    EXPECT_EQ(QVReplaceFile(ctx, listing->entries[third].displayName, 0, STORE_MAIN), 0);
    ASSERT_TRUE(list("HD", *listing));
    EXPECT_STREQ(listing->entries[2].longName, "third.txt");  // after "." and ".."

    EXPECT_EQ(QVRenameFile(ctx, listing->entries[2].displayName, "New Recording.txt", STORE_MAIN),
              0);
    ASSERT_TRUE(list("HD", *listing));
    const int renamed = find(*listing, "New Recording.txt");
    ASSERT_GE(renamed, 0);

    EXPECT_EQ(QVMakeDirectory(ctx, "Projects 2024", STORE_MAIN), 0);
    EXPECT_EQ(QVMakeDirectory(ctx, "NOTES", STORE_MAIN), 0);
    ASSERT_TRUE(list("HD", *listing));
    const int projects = find(*listing, "Projects 2024");
    ASSERT_GE(projects, 0);
    EXPECT_EQ(listing->entries[projects].attribute, 0x10);
    const int notes = find(*listing, "NOTES      ");
    ASSERT_GE(notes, 0);
    EXPECT_EQ(listing->entries[notes].hasLongName, 0);
    EXPECT_EQ(QVRemoveDirectory(ctx, listing->entries[projects].displayName, STORE_MAIN), 0);
    ASSERT_TRUE(list("HD", *listing));
    EXPECT_EQ(find(*listing, "Projects 2024"), -1);
    EXPECT_TRUE(recorder().protocolErrors().empty());
}

TEST_P(RecorderIntegrationTest, FormatEmptiesTheStore) {
    TempDir pc;
    auto listing = emptyListing();
    ASSERT_TRUE(list("B", *listing));
    const std::uint32_t freshFree = listing->freeBytes;
    Transfer put(ctx);
    ASSERT_EQ(put.send(pc.file("memo.dvf", patterned(5000))), TRANSFER_DONE);
    ASSERT_TRUE(list("B", *listing));
    EXPECT_LT(listing->freeBytes, freshFree);

    NoticeLog log;
    messages::ThreadHandle handle = nullptr;
    FormatRequest request{0, log.window(), NoticeLog::kMessage, STORE_MAIN, &handle};
    EXPECT_EQ(QVFormatDevice(ctx, &request), 0);
    ASSERT_TRUE(log.waitFor(FORMAT_DONE, 2));
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle->join(), 0);
    delete handle;
    UnlockDev(ctx);
    EXPECT_EQ(log.countOf(FORMAT_PROGRESS), 100);
    ASSERT_TRUE(list("B", *listing));
    EXPECT_EQ(listing->entryCount, 2);  // "." and ".." only
    EXPECT_EQ(listing->freeBytes, freshFree);
}

TEST_P(RecorderIntegrationTest, UnplugMidSendLeavesBothSidesIntact) {
    TempDir pc;
    auto listing = emptyListing();
    ASSERT_TRUE(list("C", *listing));
    Transfer first(ctx);
    ASSERT_EQ(first.send(pc.file("kept.dvf", patterned(3000))), TRANSFER_DONE);
    ASSERT_TRUE(list("C", *listing));
    const int before = listing->entryCount;

    const auto content = patterned(300000);
    const std::string source = pc.file("cut off.dvf", content);
    recorder().faults().unplugAfterBytes(100000);
    Transfer cut(ctx);
    EXPECT_EQ(cut.send(source), TRANSFER_DEVICE_FAILED);
    EXPECT_EQ(TempDir::contentOf(source), content);
    EXPECT_EQ(QVCheckDevice(ctx), 0);

    recorder().faults().clear();
    recorder().plugIn();
    EXPECT_EQ(QVCheckDevice(ctx), 1);
    ASSERT_TRUE(list("C", *listing));
    EXPECT_EQ(listing->entryCount, before);
    EXPECT_GE(find(*listing, "kept.dvf"), 0);
    EXPECT_EQ(find(*listing, "cut off.dvf"), -1);
}

TEST_P(RecorderIntegrationTest, UnplugMidFetchLeavesThePcFile) {
    TempDir pc;
    auto listing = emptyListing();
    ASSERT_TRUE(list("A", *listing));
    const auto content = patterned(200000);
    Transfer put(ctx);
    ASSERT_EQ(put.send(pc.file("long talk.dvf", content)), TRANSFER_DONE);
    ASSERT_TRUE(list("A", *listing));
    const int at = find(*listing, "long talk.dvf");
    ASSERT_GE(at, 0);
    const std::string name = listing->entries[at].displayName;

    const std::string target = pc.file("existing.dvf", {'o', 'l', 'd'});
    recorder().faults().unplugAfterBytes(70000);
    Transfer cut(ctx);
    EXPECT_EQ(cut.fetch(name, target), TRANSFER_DEVICE_FAILED);
    EXPECT_EQ(TempDir::contentOf(target), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(pc.names(), (std::vector<std::string>{"existing.dvf", "long talk.dvf"}));

    recorder().faults().clear();
    recorder().plugIn();
    Transfer again(ctx);
    ASSERT_TRUE(list("A", *listing));
    EXPECT_EQ(again.fetch(name, target), TRANSFER_DONE);
    EXPECT_EQ(TempDir::contentOf(target), content);
}

TEST_P(RecorderIntegrationTest, UnplugMidListingFailsTheListingAndLeavesTheCallersCopy) {
    auto listing = emptyListing();
    ASSERT_TRUE(list("A", *listing));
    const auto before = std::make_unique<DeviceListing>(*listing);

    for (const char* step : {"list-reply", "list-stream"}) {
        SCOPED_TRACE(step);
        recorder().faults().unplugAt(step);
        EXPECT_FALSE(list("A", *listing));
        EXPECT_EQ(std::memcmp(listing.get(), before.get(), sizeof(DeviceListing)), 0);
        EXPECT_EQ(QVCheckDevice(ctx), 0);

        recorder().faults().clear();
        recorder().plugIn();
        EXPECT_EQ(QVCheckDevice(ctx), 1);
        ASSERT_TRUE(list("A", *listing));
        EXPECT_EQ(listing->entryCount, before->entryCount);
    }
}

TEST_P(RecorderIntegrationTest, RefusedCreateAndCancelledSend) {
    TempDir pc;
    auto listing = emptyListing();
    ASSERT_TRUE(list("B", *listing));
    const int before = listing->entryCount;

    recorder().faults().refuseNextCreate();
    Transfer refused(ctx);
    EXPECT_EQ(refused.send(pc.file("refused.dvf", patterned(1000))), TRANSFER_DEVICE_FAILED);
    EXPECT_EQ(refused.log.countOf(TRANSFER_STARTED), 0);

    Transfer cancelled(ctx);
    cancelled.log.onNotice = [&](const Notice& notice) {
        if (notice.code == TRANSFER_PROGRESS) std::atomic_ref<int>(cancelled.cancel).store(1);
    };
    EXPECT_EQ(cancelled.send(pc.file("cancelled.dvf", patterned(200000))), TRANSFER_CANCELLED);

    // The recorder still answers after the abandoned data phase.
    EXPECT_EQ(QVCheckDevice(ctx), 1);
    ASSERT_TRUE(list("B", *listing));
    EXPECT_EQ(listing->entryCount, before);
    Transfer after(ctx);
    EXPECT_EQ(after.send(pc.file("after.dvf", patterned(1000))), TRANSFER_DONE);
}

}  // namespace vox::devsys::testing
