// The program over the libusb path, as a user with a real recorder runs it:
// no simulator setting, the libusb stand-in linked ahead of libusb with a
// recorder model on an image behind it, and its cable worked from another
// process with `voxctl sim unplug|plug IMAGE`, which the stand-in reports
// through libusb's hot-plug callback.

#include <gtest/gtest.h>

#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "application/core/main_frame.h"
#include "application/core/pelmarch_doc.h"
#include "application/core/tests/support/gtest_wait.h"
#include "application/core/tests/support/recording_message_boxes.h"
#include "application/panes/flash_form.h"
#include "application/panes/flash_list.h"
#include "platform/stack/device_stack.h"

namespace vox::app {
namespace {

int voxctl(const QStringList& arguments) {
    return QProcess::execute(VOXCTL_PATH, arguments);
}

// A recorder image behind the stand-in, with `faults` of the USB layer.
QString recorderBehindLibusb(const QTemporaryDir& folder, const char* faults) {
    const QString image = folder.filePath(QStringLiteral("recorder.img"));
    if (voxctl({QStringLiteral("sim"), QStringLiteral("create"), image}) != 0) return {};
    qunsetenv("VXR250_SIMULATOR");
    qputenv("LIBUSB_STANDIN_IMAGE", image.toLocal8Bit());
    qputenv("LIBUSB_STANDIN_FAULTS", faults);
    vox::stack::installDeviceStack();
    return image;
}

TEST(RecorderOverLibusb, PaneFollowsTheRecorderPluggedAndPulledThroughHotPlug) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString image = recorderBehindLibusb(folder, "");
    ASSERT_FALSE(image.isEmpty());

    testing::RecordingMessageBoxes boxes;
    CPelmarchDoc doc;
    CMainFrame frame(doc);
    frame.show();
    VOX_TRY_VERIFY_WITH_TIMEOUT(doc.flashList->topLevelItemCount() > 0, 10000);
    const int rows = doc.flashList->topLevelItemCount();
    EXPECT_NE(frame.memoryBar(), nullptr);

    ASSERT_EQ(voxctl({QStringLiteral("sim"), QStringLiteral("unplug"), image}), 0);
    VOX_TRY_COMPARE_WITH_TIMEOUT(doc.flashList->topLevelItemCount(), 0, 10000);
    VOX_TRY_COMPARE_WITH_TIMEOUT(doc.deviceLink, nullptr, 10000);
    EXPECT_EQ(frame.statusPane(0)->text(), QStringLiteral("The recorder not found!!!"));

    ASSERT_EQ(voxctl({QStringLiteral("sim"), QStringLiteral("plug"), image}), 0);
    VOX_TRY_COMPARE_WITH_TIMEOUT(doc.flashList->topLevelItemCount(), rows, 10000);
    EXPECT_TRUE(doc.flashForm->button(CFlashForm::kDownload)->isEnabled());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(RecorderOverLibusb, ARecorderHeldByAnotherProgramIsExplainedOncePerWindow) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    ASSERT_FALSE(recorderBehindLibusb(folder, "claim-busy").isEmpty());

    testing::RecordingMessageBoxes boxes;
    const QString reason = QStringLiteral(
        "The recorder is plugged in, but another program is using it. Close it and try again.");
    // Each look for the recorder (Refresh) says why in the status bar; the
    // first of each window also in a box.
    for (std::size_t window = 1; window <= 2; ++window) {
        CPelmarchDoc doc;
        CMainFrame frame(doc);
        frame.show();
        for (int refresh = 0; refresh < 2; ++refresh) {
            doc.refresh(&frame);
            EXPECT_EQ(frame.statusPane(0)->text(), reason);
        }
        ASSERT_EQ(boxes.shown.size(), window);
        EXPECT_EQ(boxes.shown.back().text, reason);
        EXPECT_EQ(doc.flashList->topLevelItemCount(), 0);
    }
}

TEST(RecorderOverLibusb, AForbiddenRecorderPluggedInIsExplainedAtOnce) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString image = recorderBehindLibusb(folder, "open-access");
    ASSERT_FALSE(image.isEmpty());
    ASSERT_EQ(voxctl({QStringLiteral("sim"), QStringLiteral("unplug"), image}), 0);

    testing::RecordingMessageBoxes boxes;
    CPelmarchDoc doc;
    CMainFrame frame(doc);
    frame.show();
    ASSERT_EQ(voxctl({QStringLiteral("sim"), QStringLiteral("plug"), image}), 0);
    // The rule's state is this machine's: either fix names the replug.
    VOX_TRY_COMPARE_WITH_TIMEOUT(boxes.shown.size(), 1u, 10000);
    EXPECT_TRUE(boxes.shown[0].text.startsWith(
        QStringLiteral("The recorder is plugged in, but you may not use it")))
        << boxes.shown[0].text.toStdString();
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("plug it in again")));
}

}  // namespace
}  // namespace vox::app
