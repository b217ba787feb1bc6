// The device monitor over the real device access library and a recorder
// model on the direct device provider: plugging finds the recorder, pulling
// it out drops the link and clears the recorder pane.

#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <memory>

#include "application/core/main_frame.h"
#include "application/core/pelmarch_doc.h"
#include "application/core/tests/support/gtest_wait.h"
#include "application/core/tests/support/recording_message_boxes.h"
#include "application/panes/flash_form.h"
#include "application/panes/flash_list.h"
#include "platform/devio/device_notifications.h"
#include "platform/devio/direct_provider.h"
#include "recorder_model/recorder.h"

namespace vox::app {
namespace {

TEST(DeviceLink, PlugAndUnplugFollowTheNotices) {
    auto provider = std::make_shared<vox::devio::DirectProvider>();
    const auto previous = vox::devio::installProvider(provider);
    testing::RecordingMessageBoxes boxes;
    {
        CPelmarchDoc doc;
        CMainFrame frame(doc);
        frame.show();
        // The first check, 400 ms after the frame was made, finds no recorder.
        VOX_TRY_VERIFY_WITH_TIMEOUT(!frame.deviceTimerActive(), 5000);
        EXPECT_EQ(doc.deviceLink, nullptr);

        const std::string path = provider->attach(std::make_shared<vox::model::Recorder>());
        vox::devio::notifyDeviceChanges();
        VOX_TRY_VERIFY_WITH_TIMEOUT(doc.deviceLink != nullptr, 5000);
        EXPECT_EQ(doc.currentFolder, 3);

        provider->detach(path);
        vox::devio::notifyDeviceChanges();
        VOX_TRY_COMPARE_WITH_TIMEOUT(doc.deviceLink, nullptr, 5000);
    }
    EXPECT_TRUE(boxes.shown.empty());
    vox::devio::installProvider(previous);
}

// The recorder is pulled out while the pane shows "MP3" and plugged in again.
TEST(DeviceLink, RecorderPaneFollowsUnplugAndReplug) {
    auto provider = std::make_shared<vox::devio::DirectProvider>();
    const auto previous = vox::devio::installProvider(provider);
    testing::RecordingMessageBoxes boxes;
    vox::model::RecorderOptions options;
    options.sampleContent = true;
    auto recorder = std::make_shared<vox::model::Recorder>(options);
    provider->attach(recorder);
    {
        CPelmarchDoc doc;
        CMainFrame frame(doc);
        frame.show();
        VOX_TRY_VERIFY_WITH_TIMEOUT(doc.flashList->topLevelItemCount() > 0, 5000);
        const int rows = doc.flashList->topLevelItemCount();
        EXPECT_EQ(doc.currentFolder, 3);
        EXPECT_NE(frame.memoryBar(), nullptr);
        EXPECT_TRUE(doc.flashForm->button(CFlashForm::kDownload)->isEnabled());
        EXPECT_TRUE(doc.flashForm->versionLabel()->isVisible());

        recorder->unplug();
        vox::devio::notifyDeviceChanges();
        VOX_TRY_COMPARE_WITH_TIMEOUT(doc.deviceLink, nullptr, 5000);
        VOX_TRY_COMPARE_WITH_TIMEOUT(doc.flashList->topLevelItemCount(), 0, 5000);
        EXPECT_FALSE(doc.flashForm->button(CFlashForm::kDownload)->isEnabled());
        EXPECT_FALSE(doc.flashForm->button(CFlashForm::kListUp)->isEnabled());
        EXPECT_FALSE(doc.flashForm->versionLabel()->isVisible());
        EXPECT_EQ(frame.memoryBar(), nullptr);
        EXPECT_EQ(frame.statusPane(0)->text(), QStringLiteral("The recorder not found!!!"));

        recorder->plugIn();
        vox::devio::notifyDeviceChanges();
        VOX_TRY_COMPARE_WITH_TIMEOUT(doc.flashList->topLevelItemCount(), rows, 5000);
        EXPECT_EQ(doc.currentFolder, 3);
        EXPECT_NE(frame.memoryBar(), nullptr);
        EXPECT_TRUE(doc.flashForm->button(CFlashForm::kDownload)->isEnabled());
    }
    EXPECT_TRUE(boxes.shown.empty());
    vox::devio::installProvider(previous);
}

}  // namespace
}  // namespace vox::app
