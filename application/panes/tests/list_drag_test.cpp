// Dragging rows between the PC list and the recorder list of the main
// window: which drops turn into requests, what the drag image shows, the
// cursor on the way, and gestures that must not start a drag.

#include "application/panes/list_drag.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <fstream>
#include <functional>

#include "application/core/tests/support/gtest_wait.h"
#include "application/core/tests/support/message_spy.h"
#include "application/panes/dir_panes.h"
#include "application/panes/tests/flash_pane_fixture.h"
#include "platform/messages/message_numbers.h"

namespace vox::app {
namespace {

using testing::FakeRecorderApi;
using testing::MessageSpy;
using vox::panes::CListViewEx;
namespace msg = vox::messages;

constexpr int kRecorderRows = 40;

// Looks at each message while the main window handles it.
class WhileHandled final : public MessageObserver {
  public:
    WhileHandled(MessageWindow& window, std::function<void(Message, WParam, LParam)> look)
        : window_(window), look_(std::move(look)) {
        window_.addObserver(this);
    }
    ~WhileHandled() override { window_.removeObserver(this); }
    void observe(Message message, WParam wParam, LParam lParam) override {
        look_(message, wParam, lParam);
    }

  private:
    MessageWindow& window_;
    std::function<void(Message, WParam, LParam)> look_;
};

class ListDragTest : public testing::FlashPaneTest {
  protected:
    void script() override {
        for (int n = 0; n < kRecorderRows; ++n) {
            const std::string name = "SONG" + std::to_string(1000 + n).substr(1) + " ";
            FakeRecorderApi::addEntry(name.c_str(), "MP3", 4096);
        }
    }

    void SetUp() override {
        FlashPaneTest::SetUp();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        ASSERT_TRUE(pcFolder.isValid());
        for (const char* name : {"one.wav", "two.wav", "three.wav"})
            std::ofstream(pcFolder.filePath(QString::fromLatin1(name)).toStdString()) << "data";
        pcList = doc->dirList;
        ASSERT_NE(pcList, nullptr);
        doc->workingDirectory = QFile::encodeName(pcFolder.path()).toStdString() + "/";
        pcList->send(msg::WM_REFRESH_LIST, 0, 0);
        ASSERT_EQ(pcList->topLevelItemCount(), 3);
        ASSERT_EQ(list->topLevelItemCount(), kRecorderRows);
        list->scrollToTop();
    }

    static QPoint grip(const CListViewEx* source, const QTreeWidgetItem* row) {
        const QRect rect = source->visualItemRect(row);
        return {rect.left() + 20, rect.center().y()};
    }

    // Presses on `row` and moves the pointer far enough to start a drag.
    void pickUp(CListViewEx* source, QTreeWidgetItem* row) { pickUpAt(source, grip(source, row)); }
    void pickUpAt(CListViewEx* source, QPoint at) {
        source_ = source;
        const int step = QApplication::startDragDistance() + 4;
        QTest::mousePress(source->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseMove(source->viewport(), at + QPoint(step, 0));
        QTest::mouseMove(source->viewport(), at + QPoint(2 * step, 0));
    }
    // The pointer moves over `point` of `widget`; the source list holds the
    // mouse, so the events go to it.
    void moveOver(QWidget* widget, QPoint point) {
        QTest::mouseMove(source_->viewport(), inSource(widget, point));
    }
    void moveOver(QWidget* widget) { moveOver(widget, widget->rect().center()); }
    void releaseOver(QWidget* widget) {
        const QPoint point = inSource(widget, widget->rect().center());
        QTest::mouseMove(source_->viewport(), point);
        QTest::mouseRelease(source_->viewport(), Qt::LeftButton, {}, point);
    }
    QPoint inSource(QWidget* widget, QPoint point) const {
        return source_->viewport()->mapFromGlobal(widget->mapToGlobal(point));
    }

    static Qt::CursorShape cursor() {
        const QCursor* shown = QApplication::overrideCursor();
        return shown ? shown->shape() : Qt::BitmapCursor;
    }

    void dragPcRowOnto(QWidget* widget) {
        pcList->topLevelItem(1)->setSelected(true);
        pickUp(pcList, pcList->topLevelItem(1));
        ASSERT_NE(pcList->drag(), nullptr);
        releaseOver(widget);
    }

    QTemporaryDir pcFolder;
    CDirList* pcList = nullptr;
    CListViewEx* source_ = nullptr;
};

TEST_F(ListDragTest, PcRowsDroppedOnTheRecorderListAskForOneDownload) {
    MessageSpy spy(*frame);
    dragPcRowOnto(list->viewport());
    ASSERT_EQ(spy.count(msg::WM_DOWNLOAD_FILES), 1);
    EXPECT_EQ(spy.count(msg::WM_UPLOAD_FILES), 0);
    for (const auto& seen : spy.seen) {
        if (seen.message != msg::WM_DOWNLOAD_FILES) continue;
        EXPECT_EQ(seen.wParam, 0u);
        EXPECT_EQ(seen.lParam, 0);
    }
    EXPECT_EQ(pcList->drag(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The drag ends within the program: nothing else is dropped afterwards.
    QApplication::processEvents();
    EXPECT_EQ(spy.count(msg::WM_DOWNLOAD_FILES), 1);
}

TEST_F(ListDragTest, PcRowsDroppedAnywhereElseAskForNothing) {
    MessageSpy spy(*frame);
    dragPcRowOnto(tree->viewport());
    dragPcRowOnto(form);
    dragPcRowOnto(list->header()->viewport());
    dragPcRowOnto(pcList->viewport());
    dragPcRowOnto(doc->dirTree);
    EXPECT_EQ(spy.count(msg::WM_DOWNLOAD_FILES), 0);
    EXPECT_EQ(spy.count(msg::WM_UPLOAD_FILES), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(pcList->selectedItems().size(), 1);
}

TEST_F(ListDragTest, RecorderRowsDroppedOnThePcListAskForOneUpload) {
    MessageSpy spy(*frame);
    list->topLevelItem(2)->setSelected(true);
    pickUp(list, list->topLevelItem(2));
    ASSERT_NE(list->drag(), nullptr);
    releaseOver(pcList->viewport());
    EXPECT_EQ(spy.count(msg::WM_UPLOAD_FILES), 1);
    EXPECT_EQ(spy.count(msg::WM_DOWNLOAD_FILES), 0);

    list->topLevelItem(2)->setSelected(true);
    pickUp(list, list->topLevelItem(2));
    releaseOver(doc->dirTree);
    EXPECT_EQ(spy.count(msg::WM_UPLOAD_FILES), 1);
}

TEST_F(ListDragTest, TheImageShowsTheSelectedRowsInSightTheDropConcernsThemAll) {
    QTreeWidgetItem* last = list->topLevelItem(kRecorderRows - 1);
    ASSERT_FALSE(list->visualItemRect(last).intersects(list->viewport()->rect()))
        << "the list shows every row; the last one must be out of sight";
    list->topLevelItem(0)->setSelected(true);
    list->topLevelItem(1)->setSelected(true);
    last->setSelected(true);

    int selectedWhenAsked = -1;
    WhileHandled look(*frame, [&](Message message, WParam, LParam) {
        if (message == msg::WM_UPLOAD_FILES)
            selectedWhenAsked = static_cast<int>(list->selectedItems().size());
    });
    // Pressing one of the selected rows keeps all three selected.
    pickUp(list, list->topLevelItem(1));
    ASSERT_NE(list->drag(), nullptr);
    EXPECT_EQ(list->selectedItems().size(), 3);

    const QWidget& image = list->drag()->imageWindow();
    const int rowHeight = list->visualItemRect(list->topLevelItem(0)).height();
    EXPECT_TRUE(image.isVisible());
    EXPECT_EQ(image.height(), 2 * rowHeight);
    EXPECT_EQ(image.width(), list->header()->sectionSize(0));
    // The image hangs where the pointer holds it.
    const QPoint pointer = pcList->viewport()->mapToGlobal(pcList->viewport()->rect().center());
    moveOver(pcList->viewport());
    EXPECT_TRUE(image.geometry().contains(pointer));
    // Under the image the drop is still seen to land on the target.
    EXPECT_EQ(cursor(), Qt::ArrowCursor);

    releaseOver(pcList->viewport());
    EXPECT_EQ(selectedWhenAsked, 3);
    EXPECT_EQ(list->selectedItems().size(), 3);  // the drop leaves the selection as it was
}

TEST_F(ListDragTest, TheCursorRefusesEverywhereButOverTheTargetList) {
    pcList->topLevelItem(0)->setSelected(true);
    pickUp(pcList, pcList->topLevelItem(0));
    ASSERT_NE(pcList->drag(), nullptr);
    EXPECT_EQ(cursor(), Qt::ForbiddenCursor);  // still over the source list

    moveOver(list->viewport());
    EXPECT_EQ(cursor(), Qt::ArrowCursor);
    moveOver(list->header()->viewport());
    EXPECT_EQ(cursor(), Qt::ForbiddenCursor);
    moveOver(list->viewport(), QPoint(5, 5));
    EXPECT_EQ(cursor(), Qt::ArrowCursor);
    for (QWidget* elsewhere : {static_cast<QWidget*>(tree->viewport()), static_cast<QWidget*>(form),
                               static_cast<QWidget*>(doc->dirTree), pcList->viewport(),
                               static_cast<QWidget*>(frame->statusPane(0))}) {
        moveOver(elsewhere);
        EXPECT_EQ(cursor(), Qt::ForbiddenCursor) << elsewhere->metaObject()->className();
    }
    releaseOver(tree->viewport());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ListDragTest, WithoutARowHeldNoDragStarts) {
    MessageSpy spy(*frame);
    // Below the last row: the press holds no row, and the move selects.
    const QRect lastRow = pcList->visualItemRect(pcList->topLevelItem(2));
    pickUpAt(pcList, QPoint(20, lastRow.bottom() + 20));
    EXPECT_EQ(pcList->drag(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    releaseOver(list->viewport());
    EXPECT_EQ(spy.count(msg::WM_DOWNLOAD_FILES), 0);
}

TEST_F(ListDragTest, AReleaseThatWentElsewhereEndsTheDragWithoutADrop) {
    MessageSpy spy(*frame);
    pcList->topLevelItem(0)->setSelected(true);
    pickUp(pcList, pcList->topLevelItem(0));
    ASSERT_NE(pcList->drag(), nullptr);
    // The next move arrives with no button held.
    const QPoint over = inSource(list->viewport(), list->viewport()->rect().center());
    QMouseEvent move(QEvent::MouseMove, over, pcList->viewport()->mapToGlobal(over), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(pcList->viewport(), &move);
    EXPECT_EQ(pcList->drag(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QTest::mouseRelease(pcList->viewport(), Qt::LeftButton, {}, over);
    EXPECT_EQ(spy.count(msg::WM_DOWNLOAD_FILES), 0);
}

TEST_F(ListDragTest, AWindowTakingTheFocusEndsTheDragWithoutADrop) {
    MessageSpy spy(*frame);
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    pcList->topLevelItem(0)->setSelected(true);
    pickUp(pcList, pcList->topLevelItem(0));
    ASSERT_NE(pcList->drag(), nullptr);
    ASSERT_TRUE(pcList->hasFocus());
    QWidget box;  // a message box would take the release with it
    box.show();
    QApplication::setActiveWindow(&box);
    VOX_TRY_VERIFY(!pcList->hasFocus());
    EXPECT_EQ(pcList->drag(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(spy.count(msg::WM_DOWNLOAD_FILES), 0);
}

TEST_F(ListDragTest, HidingTheListEndsItsDrag) {
    pcList->topLevelItem(0)->setSelected(true);
    pickUp(pcList, pcList->topLevelItem(0));
    ASSERT_NE(pcList->drag(), nullptr);
    pcList->hide();
    EXPECT_EQ(pcList->drag(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QTest::mouseRelease(pcList->viewport(), Qt::LeftButton);
}

}  // namespace
}  // namespace vox::app
