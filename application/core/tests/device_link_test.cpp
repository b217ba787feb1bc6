// The device monitor over the real device access library and a recorder
// model on the direct device provider: plugging finds the recorder, pulling
// it out drops the link.

#include <gtest/gtest.h>

#include <QTest>
#include <memory>

#include "application/core/main_frame.h"
#include "application/core/pelmarch_doc.h"
#include "application/core/tests/support/recording_message_boxes.h"
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
        QTRY_VERIFY_WITH_TIMEOUT(!frame.deviceTimerActive(), 5000);
        EXPECT_EQ(doc.deviceLink, nullptr);

        const std::string path = provider->attach(std::make_shared<vox::model::Recorder>());
        vox::devio::notifyDeviceChanges();
        QTRY_VERIFY_WITH_TIMEOUT(doc.deviceLink != nullptr, 5000);
        EXPECT_EQ(doc.currentFolder, 3);

        provider->detach(path);
        vox::devio::notifyDeviceChanges();
        QTRY_COMPARE_WITH_TIMEOUT(doc.deviceLink, nullptr, 5000);
    }
    EXPECT_TRUE(boxes.shown.empty());
    vox::devio::installProvider(previous);
}

}  // namespace
}  // namespace vox::app
