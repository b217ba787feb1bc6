// The recorder list of a folder holding more entries than one listing
// carries: the rows it has are shown, and the status bar says that they are
// not all, also once a selection made there is cleared again.

#include <QLabel>

#include "application/core/tests/recorder_program_fixture.h"

namespace vox::app::testing {
namespace {

class RecorderListingProgram : public RecorderProgramTest {
  protected:
    void fillFolderA(int files) {
        for (int k = 1; k <= files; ++k) {
            char name[16];
            std::snprintf(name, sizeof name, "F%03d.DVF", k);
            addRecorderFile("A", name, 64, static_cast<std::uint8_t>(k));
        }
    }
    QString status() const { return frame->statusPane(0)->text(); }
};

TEST_F(RecorderListingProgram, AFolderWithMoreEntriesThanOneListingSaysSo) {
    fillFolderA(103);
    showRecorderFolder(0);
    EXPECT_EQ(list->topLevelItemCount(), 100);
    const QString told = QStringLiteral(
        "A: the recorder holds more entries than one listing shows; only the first 100 were seen");
    EXPECT_EQ(status().toStdString(), told.toStdString());

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->topLevelItem(1)).center());
    VOX_TRY_COMPARE(status(), QStringLiteral("1 item(s) selected"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      list->visualItemRect(list->topLevelItem(1)).center());
    VOX_TRY_COMPARE(status(), told);
}

TEST_F(RecorderListingProgram, AFolderThatFitsOneListingIsReady) {
    fillFolderA(100);
    showRecorderFolder(0);
    EXPECT_EQ(list->topLevelItemCount(), 100);
    EXPECT_EQ(status().toStdString(), "Ready");
}

}  // namespace
}  // namespace vox::app::testing
