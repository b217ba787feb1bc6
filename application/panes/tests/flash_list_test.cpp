// The recorder list: what its rows show, how failed listings end, and the
// keys and messages it turns into requests.

#include <QAccessible>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMimeDatabase>
#include <QTemporaryDir>

#include "application/core/tests/support/gtest_wait.h"
#include "application/core/tests/support/message_spy.h"
#include "application/panes/dir_panes.h"
#include "application/panes/tests/flash_pane_fixture.h"
#include "platform/messages/message_numbers.h"

namespace vox::app {
namespace {

using testing::FakeRecorderApi;
using testing::MessageSpy;
namespace msg = vox::messages;

class FlashListRows : public testing::FlashPaneTest {
  protected:
    static void dated(DeviceEntry& entry, int year, int month, int day, int hour, int minute) {
        entry.year = static_cast<std::uint16_t>(year);
        entry.month = static_cast<std::uint16_t>(month);
        entry.day = static_cast<std::uint16_t>(day);
        entry.hour = static_cast<std::uint16_t>(hour);
        entry.minute = static_cast<std::uint16_t>(minute);
    }

    void script() override {
        FakeRecorderApi::addEntry("TINY    ", "MP3", 1);
        FakeRecorderApi::addEntry("SONG    ", "MP3", 1048576, "A long song name.mp3");
        FakeRecorderApi::addEntry("EMPTY   ", "", 0);
        dated(FakeRecorderApi::addEntry("LEAP    ", "WMA", 1025), 2004, 2, 30, 13, 45);
        dated(FakeRecorderApi::addEntry("MIDNIGHT", "MP3", 2048), 2010, 12, 31, 0, 0);
        dated(FakeRecorderApi::addEntry("ANCIENT ", "MP3", 10), 1850, 13, 0, 8, 9);
    }
};

TEST_F(FlashListRows, NamesSizesTypesAndDates) {
    ASSERT_EQ(list->topLevelItemCount(), 6);
    EXPECT_EQ(FakeRecorderApi::lastFolder, "MP3     ");
    EXPECT_EQ(cell(0, 0), QStringLiteral("TINY    .MP3"));
    EXPECT_EQ(cell(0, 1), QStringLiteral("1KB"));
    EXPECT_EQ(cell(1, 0), QStringLiteral("A long song name.mp3"));
    EXPECT_EQ(cell(1, 1), QStringLiteral("1,024KB"));
    EXPECT_EQ(cell(2, 0), QStringLiteral("EMPTY   ."));
    EXPECT_EQ(cell(2, 1), QStringLiteral("0KB"));
    EXPECT_EQ(cell(3, 1), QStringLiteral("2KB"));
    // The C locale's short date is month/day/two-digit year.
    EXPECT_EQ(cell(0, 3), QStringLiteral("06/07/05 08:09"));
    EXPECT_EQ(cell(3, 3), QStringLiteral("03/01/04 13:45"));
    EXPECT_EQ(cell(4, 3), QStringLiteral("12/31/10 01:01"));
    // Before 1970, and with month and day out of range: repaired, not lost.
    EXPECT_EQ(cell(5, 3), QStringLiteral("01/01/00 08:09"));

    const QString mp3Type =
        QMimeDatabase()
            .mimeTypeForFile(QStringLiteral("x.mp3"), QMimeDatabase::MatchExtension)
            .comment();
    EXPECT_FALSE(mp3Type.isEmpty());
    EXPECT_EQ(cell(0, 2), mp3Type);
    EXPECT_NE(cell(3, 2), mp3Type);
    EXPECT_EQ(cell(2, 2), QStringLiteral("File"));  // no extension
    EXPECT_FALSE(list->topLevelItem(0)->icon(0).isNull());

    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("Name"));
    EXPECT_EQ(list->headerItem()->text(3), QStringLiteral("Date"));
    EXPECT_EQ(list->columnWidth(0), 200);
    EXPECT_EQ(list->columnWidth(1), 100);
    EXPECT_TRUE(list->header()->sectionsMovable());
    EXPECT_EQ(frame->statusPane(0)->text(), QStringLiteral("Ready"));
}

TEST_F(FlashListRows, SelectionSummaryCountsTheSelectedRows) {
    MessageSpy frameSpy(*frame);
    list->topLevelItem(0)->setSelected(true);
    list->topLevelItem(1)->setSelected(true);
    EXPECT_EQ(frame->statusPane(0)->text(), QStringLiteral("2 item(s) selected"));
    EXPECT_EQ(frame->statusPane(1)->text(), QStringLiteral("1.00MB"));  // 1 + 1,048,576 bytes
    list->clearSelection();
    EXPECT_EQ(frame->statusPane(0)->text(), QStringLiteral("Ready"));
    EXPECT_EQ(frame->statusPane(1)->text(), QString());
    EXPECT_GE(frameSpy.count(msg::WM_STATUS_INFO), 3);
}

TEST_F(FlashListRows, RefreshMessageSelectsTheGivenRow) {
    const int before = FakeRecorderApi::refreshes;
    list->send(msg::WM_REFRESH_LIST, 2, 0);
    EXPECT_EQ(FakeRecorderApi::refreshes, before + 1);
    ASSERT_NE(list->currentItem(), nullptr);
    EXPECT_EQ(list->indexOfTopLevelItem(list->currentItem()), 2);
    EXPECT_TRUE(list->currentItem()->isSelected());
}

TEST_F(FlashListRows, KeysBecomeRequestsToTheMainWindow) {
    MessageSpy frameSpy(*frame);
    QTest::keyClick(list, Qt::Key_Up, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_Delete);
    ASSERT_EQ(frameSpy.count(msg::WM_MOVE_FILE), 2);
    std::vector<WParam> moves;
    for (const auto& seen : frameSpy.seen)
        if (seen.message == msg::WM_MOVE_FILE) moves.push_back(seen.wParam);
    EXPECT_EQ(moves, (std::vector<WParam>{1, 0}));
    EXPECT_EQ(frameSpy.count(msg::WM_DELETE_FILES), 1);

    // The form's Delete button goes through the list's key handling.
    QTest::mouseClick(form->button(CFlashForm::kDelete), Qt::LeftButton);
    EXPECT_EQ(frameSpy.count(msg::WM_DELETE_FILES), 2);
}

TEST_F(FlashListRows, TabMovesBetweenTheRecorderPanesAndThePcTree) {
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    tree->setFocus();
    VOX_TRY_VERIFY(tree->hasFocus());
    QTest::keyClick(tree, Qt::Key_Tab);
    VOX_TRY_VERIFY(list->hasFocus());
    // With nothing selected, the first row takes the focus mark.
    EXPECT_EQ(list->currentIndex().row(), 0);
    EXPECT_TRUE(list->selectedItems().isEmpty());
    QTest::keyClick(list, Qt::Key_Tab);
    VOX_TRY_VERIFY(doc->dirTree->hasFocus());
}

TEST_F(FlashListRows, AddedPcFileGetsARowLikeTheListedOnes) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("voice memo.dvf"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(1025, 'x'));
    file.close();
    const int rows = list->topLevelItemCount();
    list->addPcFile(path);
    ASSERT_EQ(list->topLevelItemCount(), rows + 1);
    EXPECT_EQ(cell(rows, 0), QStringLiteral("voice memo.dvf"));
    EXPECT_EQ(cell(rows, 1), QStringLiteral("2KB"));
    EXPECT_EQ(cell(rows, 2), QStringLiteral("DVF File"));
    EXPECT_FALSE(cell(rows, 3).isEmpty());
}

TEST_F(FlashListRows, ScreenReadersFindNamesAndCells) {
    QAccessibleInterface* listAccess = QAccessible::queryAccessibleInterface(list);
    ASSERT_NE(listAccess, nullptr);
    EXPECT_EQ(listAccess->text(QAccessible::Name), QStringLiteral("Recorder list"));
    QAccessibleTableInterface* table = listAccess->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 6);
    QAccessibleInterface* size = table->cellAt(1, 1);
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(size->text(QAccessible::Name), QStringLiteral("1,024KB"));

    EXPECT_EQ(QAccessible::queryAccessibleInterface(tree)->text(QAccessible::Name),
              QStringLiteral("Recorder folders"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form->button(CFlashForm::kListUp))
                  ->text(QAccessible::Name),
              QStringLiteral("Move up in the recorder list"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form->totalBar())->text(QAccessible::Name),
              QStringLiteral("Total"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form->currentBar())->text(QAccessible::Name),
              QStringLiteral("Current"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(frame->statusPane(0))->text(QAccessible::Name),
              frame->statusPane(0)->text());
}

class FlashListFailures : public testing::FlashPaneTest {
  protected:
    void script() override { FakeRecorderApi::addEntry("SONG    ", "MP3", 5000); }
};

TEST_F(FlashListFailures, OneFailedCallIsRetried) {
    FakeRecorderApi::failingRefreshes = 1;
    refresh();
    EXPECT_EQ(list->topLevelItemCount(), 1);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(FlashListFailures, TwoFailedListingsShowTheBoxTwiceAndChangeTheButtonsOnce) {
    ASSERT_EQ(list->topLevelItemCount(), 1);
    ASSERT_NE(frame->memoryBar(), nullptr);
    MessageSpy formSpy(*form);
    int enableChanges = 0;
    struct Counter : QObject {
        int* changes;
        explicit Counter(int* c) : changes(c) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::EnabledChange) ++*changes;
            return false;
        }
    } counter(&enableChanges);
    form->button(CFlashForm::kDownload)->installEventFilter(&counter);

    FakeRecorderApi::failingRefreshes = 4;
    refresh();
    refresh();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text,
              QStringLiteral("USB communicationn failed.(1)\nTry to reconnect the recorder."));
    EXPECT_EQ(boxes.shown[0].buttons, BoxButtons::Ok);
    EXPECT_EQ(boxes.shown[1].text, boxes.shown[0].text);
    EXPECT_EQ(enableChanges, 1);
    EXPECT_EQ(formSpy.count(msg::WM_DEVICE_STATE), 2);
    // Nothing of the recorder stays on screen.
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_FALSE(enabled(CFlashForm::kDownload));
    EXPECT_FALSE(form->versionLabel()->isVisible());
    EXPECT_EQ(doc->listing.totalBytes, 0u);
    EXPECT_EQ(frame->memoryBar(), nullptr);
    form->button(CFlashForm::kDownload)->removeEventFilter(&counter);
}

TEST_F(FlashListFailures, ZeroCapacityCountsAsAFailedCall) {
    FakeRecorderApi::listing.totalBytes = 0;
    refresh();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("(1)\n")));
    EXPECT_EQ(FakeRecorderApi::refreshes, 3);  // the first listing, then two tries
}

TEST_F(FlashListFailures, AListingWithoutItsDotEntriesIsNotAFolder) {
    FakeRecorderApi::listing.entries[0].baseName[0] = 'X';
    refresh();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              QStringLiteral("USB communicationn failed.(2)\nTry to reconnect the recorder."));
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_FALSE(enabled(CFlashForm::kUpload));
    EXPECT_EQ(doc->listing.totalBytes, 0u);
}

TEST_F(FlashListFailures, AMissingRecorderIsReportedInTheStatusBarOnly) {
    FakeRecorderApi::present = false;
    list->listFolder(-1);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_FALSE(enabled(CFlashForm::kFormat));
    EXPECT_EQ(frame->statusPane(0)->text(), QStringLiteral("The recorder not found!!!"));
}

}  // namespace
}  // namespace vox::app
