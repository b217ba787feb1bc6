// The program on the whole device stack (simulated bus, driver, device
// notices) while another process pulls the simulated recorder's cable and
// puts it back with `voxctl sim unplug|plug IMAGE`, as a person trying the
// program without a recorder would.

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

TEST(RecorderCable, PaneFollowsTheCablePulledAndPutBackByAnotherProcess) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString image = folder.filePath(QStringLiteral("recorder.img"));
    ASSERT_EQ(voxctl({QStringLiteral("sim"), QStringLiteral("create"), image}), 0);
    qputenv("VXR250_SIMULATOR", image.toLocal8Bit());
    vox::stack::installDeviceStack();

    testing::RecordingMessageBoxes boxes;
    CPelmarchDoc doc;
    CMainFrame frame(doc);
    frame.show();
    VOX_TRY_VERIFY_WITH_TIMEOUT(doc.flashList->topLevelItemCount() > 0, 10000);
    const int rows = doc.flashList->topLevelItemCount();
    EXPECT_EQ(doc.currentFolder, 3);
    EXPECT_NE(frame.memoryBar(), nullptr);

    ASSERT_EQ(voxctl({QStringLiteral("sim"), QStringLiteral("unplug"), image}), 0);
    VOX_TRY_COMPARE_WITH_TIMEOUT(doc.flashList->topLevelItemCount(), 0, 10000);
    VOX_TRY_COMPARE_WITH_TIMEOUT(doc.deviceLink, nullptr, 10000);
    EXPECT_FALSE(doc.flashForm->button(CFlashForm::kDownload)->isEnabled());
    EXPECT_EQ(frame.memoryBar(), nullptr);
    EXPECT_EQ(frame.statusPane(0)->text(), QStringLiteral("The recorder not found!!!"));

    ASSERT_EQ(voxctl({QStringLiteral("sim"), QStringLiteral("plug"), image}), 0);
    VOX_TRY_COMPARE_WITH_TIMEOUT(doc.flashList->topLevelItemCount(), rows, 10000);
    EXPECT_EQ(doc.currentFolder, 3);
    EXPECT_NE(frame.memoryBar(), nullptr);
    EXPECT_TRUE(doc.flashForm->button(CFlashForm::kDownload)->isEnabled());
    EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
}  // namespace vox::app
