// The device monitor: one device check per burst of notices, Refresh left
// alone while the link is busy, an unplugged recorder cleared, the document
// refusing to close, mounted volumes reported to the PC tree, and the end of
// the workers before the link goes.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <atomic>
#include <thread>

#include "application/core/frame_messages.h"
#include "application/core/main_frame.h"
#include "application/core/mount_watcher.h"
#include "application/core/pelmarch_doc.h"
#include "application/core/tests/support/fake_recorder_api.h"
#include "application/core/tests/support/gtest_wait.h"
#include "application/core/tests/support/message_spy.h"
#include "application/core/tests/support/recording_message_boxes.h"
#include "application/panes/dir_panes.h"
#include "application/panes/flash_form.h"
#include "application/panes/flash_list.h"
#include "application/panes/flash_tree.h"
#include "platform/devio/device_notifications.h"
#include "platform/messages/message_numbers.h"

namespace vox::app {
namespace {

using testing::FakeRecorderApi;
using testing::MessageSpy;
using vox::messages::WM_MEDIA_CHANGED;
using vox::messages::WM_MEMORY_BAR;
using vox::messages::WM_REFRESH_LIST;

class MonitorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FakeRecorderApi::reset(true);
        doc = std::make_unique<CPelmarchDoc>(FakeRecorderApi::api());
        frame = std::make_unique<CMainFrame>(*doc);
        frame->show();
        // The first check follows creation by 400 ms.
        VOX_TRY_COMPARE_WITH_TIMEOUT(FakeRecorderApi::creates, 1, 2000);
        FakeRecorderApi::creates = FakeRecorderApi::checks = FakeRecorderApi::refreshes = 0;
    }

    void TearDown() override {
        frame.reset();
        doc.reset();
    }

    void notice() { frame->send(WM_DEVICECHANGE, vox::devio::kDeviceNodesChanged, 0); }

    testing::RecordingMessageBoxes boxes;
    std::unique_ptr<CPelmarchDoc> doc;
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(MonitorTest, FirstCheckAfterStartListsTheMp3Folder) {
    EXPECT_NE(doc->deviceLink, nullptr);
    EXPECT_EQ(doc->currentFolder, 3);
    EXPECT_FALSE(frame->deviceTimerActive());
}

TEST_F(MonitorTest, BurstOfNoticesGivesOneCheck) {
    for (int i = 0; i < 5; ++i) notice();
    EXPECT_TRUE(frame->deviceTimerPending());
    notice();
    // Once the timer has fired and none is pending, nothing starts another check.
    VOX_TRY_VERIFY_WITH_TIMEOUT(!frame->deviceTimerPending() && !frame->deviceTimerActive(), 1000);
    // One Refresh: its own check, then the listing's.
    VOX_TRY_COMPARE_WITH_TIMEOUT(FakeRecorderApi::refreshes, 1, 1000);
    VOX_TRY_COMPARE_WITH_TIMEOUT(FakeRecorderApi::checks, 2, 1000);
    EXPECT_EQ(FakeRecorderApi::creates, 0);
    EXPECT_FALSE(frame->deviceTimerActive());

    // Notices from another thread, as the driver's hot plug gives them.
    std::thread plug([] {
        for (int i = 0; i < 4; ++i) vox::devio::notifyDeviceChanges();
    });
    plug.join();
    VOX_TRY_COMPARE_WITH_TIMEOUT(FakeRecorderApi::refreshes, 2, 1000);
    VOX_TRY_VERIFY_WITH_TIMEOUT(!frame->deviceTimerPending() && !frame->deviceTimerActive(), 1000);
    EXPECT_EQ(FakeRecorderApi::refreshes, 2);
}

TEST_F(MonitorTest, OtherDeviceEventsStartNoCheck) {
    frame->send(WM_DEVICECHANGE, 0x8000, 0);
    frame->send(WM_DEVICECHANGE, 0x8004, 0);
    EXPECT_FALSE(frame->deviceTimerActive());
}

TEST_F(MonitorTest, RefreshLeavesABusyLinkAlone) {
    FakeRecorderApi::busy = 1;
    frame->activateWindow();
    QTest::keyClick(frame.get(), Qt::Key_F5);
    frame->send(WM_COMMAND, kRefreshCommand, 0);
    EXPECT_EQ(FakeRecorderApi::checks, 0);
    EXPECT_NE(doc->deviceLink, nullptr);

    FakeRecorderApi::busy = 0;
    doc->work.begin(Work::Delete);
    frame->send(WM_COMMAND, kRefreshCommand, 0);
    EXPECT_EQ(FakeRecorderApi::checks, 0);
    doc->work.end(Work::Delete);

    QTest::keyClick(frame.get(), Qt::Key_F5);
    EXPECT_EQ(FakeRecorderApi::refreshes, 1);
}

TEST_F(MonitorTest, UnpluggedRecorderLeavesTheLinkNullAndClearsThePane) {
    MessageSpy listSpy(*doc->flashList);
    MessageSpy frameSpy(*frame);
    FakeRecorderApi::present = false;
    notice();
    VOX_TRY_COMPARE_WITH_TIMEOUT(doc->deviceLink, nullptr, 1000);
    EXPECT_EQ(FakeRecorderApi::destroys, 1);
    // The Refresh's check and the listing's each try to build a link.
    EXPECT_EQ(FakeRecorderApi::creates, 2);
    EXPECT_EQ(FakeRecorderApi::refreshes, 0);
    ASSERT_EQ(listSpy.count(WM_REFRESH_LIST), 1);
    EXPECT_EQ(listSpy.seen.back().wParam, 0u);
    ASSERT_GE(frameSpy.count(WM_MEMORY_BAR), 1);
    EXPECT_EQ(frameSpy.seen.back().message, WM_MEMORY_BAR);

    // Plugged in again: the next notice finds it.
    FakeRecorderApi::present = true;
    notice();
    VOX_TRY_VERIFY_WITH_TIMEOUT(doc->deviceLink != nullptr, 1000);
}

TEST_F(MonitorTest, CloseIsRefusedWhileAnOperationRuns) {
    doc->work.setBusy(true);
    EXPECT_FALSE(doc->canClose());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Uploading/Downloading/Formating Now!!!"));
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Stop);
    EXPECT_EQ(boxes.shown[0].buttons, BoxButtons::Ok);
    doc->work.setBusy(false);
    EXPECT_TRUE(doc->canClose());
    EXPECT_EQ(boxes.shown.size(), 1u);
}

// Sees the root text while the message is being handled.
class MediaObserver final : public MessageObserver {
  public:
    void observe(Message message, WParam wParam, LParam lParam) override {
        if (message != WM_MEDIA_CHANGED) return;
        delays.push_back(static_cast<int>(wParam));
        roots.emplace_back(reinterpret_cast<const char*>(lParam));
    }
    std::vector<int> delays;
    std::vector<std::string> roots;
};

TEST_F(MonitorTest, VolumeChangesReachThePcTree) {
    MediaObserver observer;
    doc->dirTree->addObserver(&observer);
    frame->mediaChanged({true, "/media/cdrom0/"});
    frame->mediaChanged({false, "/media/cdrom0/"});
    EXPECT_TRUE(observer.delays.empty());  // posted, not sent
    QApplication::processEvents();
    doc->dirTree->removeObserver(&observer);
    EXPECT_EQ(observer.delays, (std::vector<int>{3000, 500}));
    EXPECT_EQ(observer.roots, (std::vector<std::string>{"/media/cdrom0/", "/media/cdrom0/"}));
}

TEST(MountTable, VolumesComeAndGoButPseudoFileSystemsDoNot) {
    const auto before = parseMountTable(
        "/dev/sda1 / ext4 rw 0 0\n"
        "proc /proc proc rw 0 0\n"
        "/dev/sdb1 /media/USB\\040STICK vfat rw 0 0\n");
    ASSERT_EQ(before.size(), 3u);
    EXPECT_EQ(before[2].mountPoint, "/media/USB STICK");
    const auto after = parseMountTable(
        "/dev/sda1 / ext4 rw 0 0\n"
        "/dev/sr0 /media/My\\040Disc iso9660 ro 0 0\n"
        "tmpfs /run/user/1000 tmpfs rw 0 0\n");
    const auto arrived = volumeChanges(before, after);
    ASSERT_EQ(arrived.size(), 2u);
    EXPECT_FALSE(arrived[0].arrival);
    EXPECT_EQ(arrived[0].root, "/media/USB STICK/");
    EXPECT_TRUE(arrived[1].arrival);
    EXPECT_EQ(arrived[1].root, "/media/My Disc/");
    EXPECT_TRUE(volumeChanges(after, after).empty());
}

TEST(MountTable, DrivesAreTheRootAndRealVolumesInTheUsersPlaces) {
    EXPECT_TRUE(isDriveVolume({"/dev/sda1", "/", "ext4"}));
    EXPECT_TRUE(isDriveVolume({"/dev/sdb1", "/media/stick", "vfat"}));
    EXPECT_TRUE(isDriveVolume({"/dev/sdc1", "/run/media/ann/DISC", "udf"}));
    EXPECT_TRUE(isDriveVolume({"server:/share", "/mnt/share", "nfs4"}));
    EXPECT_FALSE(isDriveVolume({"tmpfs", "/mnt/scratch", "tmpfs"}));
    EXPECT_FALSE(isDriveVolume({"/dev/sda2", "/home", "ext4"}));
    EXPECT_FALSE(isDriveVolume({"proc", "/proc", "proc"}));
}

TEST(MountWatcherFile, ReadsTheLiveTableWithoutReporting) {
    std::vector<MediaChange> reported;
    MountWatcher watcher([&](const MediaChange& change) { reported.push_back(change); });
    EXPECT_TRUE(watcher.watching());
    QApplication::processEvents();
    EXPECT_TRUE(reported.empty());
    MountWatcher missing([](const MediaChange&) {}, "/no/such/table");
    EXPECT_FALSE(missing.watching());
}

TEST(DocumentEnd, WorkersEndBeforeTheLinkGoes) {
    FakeRecorderApi::reset(true);
    static std::atomic<bool> workerRunning{false};
    static std::atomic<bool> linkDestroyedWhileRunning{false};
    DeviceApi api = FakeRecorderApi::api();
    api.destroyDev = [](DeviceContext*) {
        if (workerRunning) linkDestroyedWhileRunning = true;
        return 1;
    };
    auto doc = std::make_unique<CPelmarchDoc>(api);
    ASSERT_NE(doc->checkDevice(), nullptr);
    int* cancel = doc->cancelFlagAddress();
    workerRunning = true;
    doc->work.begin(Work::Delete, std::make_unique<vox::messages::Worker>([cancel] {
                        while (std::atomic_ref<int>(*cancel).load() == 0) std::this_thread::yield();
                        workerRunning = false;
                        return 0;
                    }));
    doc.reset();
    EXPECT_FALSE(workerRunning);
    EXPECT_FALSE(linkDestroyedWhileRunning);
}

TEST(DocumentEnd, AWorkerStillSendingToAWindowDoesNotHangTheEnd) {
    FakeRecorderApi::reset(false);
    CPelmarchDoc doc(FakeRecorderApi::api());
    CFlashForm form(doc);
    MessageSpy spy(form);
    doc.work.begin(Work::Delete, std::make_unique<vox::messages::Worker>([&form, &doc] {
                       while (doc.cancel() == 0) std::this_thread::yield();
                       form.send(vox::messages::WM_TRANSFER_NOTIFY, 2, 3);
                       return 0;
                   }));
    doc.shutdown();
    EXPECT_FALSE(doc.work.hasWorkers());
    EXPECT_EQ(doc.work.onRecorder(), Work::Nothing);
    EXPECT_EQ(spy.count(vox::messages::WM_TRANSFER_NOTIFY), 1);
}

}  // namespace
}  // namespace vox::app
