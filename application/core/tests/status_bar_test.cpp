// The status bar: texts and selection summaries in panes 0 and 1, the
// memory bar in pane 2 made, updated and removed with the listed recorder.

#include <QLabel>
#include <QStatusBar>

#include "application/core/selection_summary.h"
#include "application/core/tests/support/gtest_wait.h"
#include "application/core/tests/support/message_spy.h"
#include "application/panes/status_progress_bar.h"
#include "application/panes/tests/flash_pane_fixture.h"
#include "platform/messages/message_numbers.h"

namespace vox::app {
namespace {

using testing::FakeRecorderApi;
namespace msg = vox::messages;

// Copies the texts of the status messages while they are being handled.
class StatusTexts final : public MessageObserver {
  public:
    explicit StatusTexts(MessageWindow& window) : window_(window) { window_.addObserver(this); }
    ~StatusTexts() override { window_.removeObserver(this); }
    void observe(Message message, WParam wParam, LParam lParam) override {
        if (message == msg::WM_STATUS_INFO && wParam == 0)
            texts.push_back(lParam ? QString::fromUtf8(reinterpret_cast<const char*>(lParam))
                                   : QStringLiteral("<idle>"));
    }
    std::vector<QString> texts;

  private:
    MessageWindow& window_;
};

class StatusBarTest : public testing::FlashPaneTest {
  protected:
    void script() override {
        FakeRecorderApi::listing.totalBytes = 1073741824;  // 1 GiB
        FakeRecorderApi::listing.freeBytes = 104857600;    // 100 MiB
        FakeRecorderApi::addEntry("SONG    ", "MP3", 3000);
    }

    void summary(SelectionSummary value) {
        frame->send(msg::WM_STATUS_INFO, kSelectionSummaryInfo, reinterpret_cast<LParam>(&value));
    }
    vox::panes::TextProgressCtrl* bar() const { return frame->memoryBar()->control(); }
};

TEST_F(StatusBarTest, MemoryBarShowsUsedAndTotalDisplayMegabytes) {
    ASSERT_NE(frame->memoryBar(), nullptr);
    EXPECT_EQ(frame->memoryBar()->message(), QStringLiteral("946/1048(MB)"));
    EXPECT_EQ(frame->statusPane(2)->text(), QStringLiteral("946/1048(MB)"));
    EXPECT_EQ(bar()->upper(), 1048);
    EXPECT_EQ(bar()->position(), 946);
    EXPECT_EQ(bar()->secondValue(), 0);
    EXPECT_TRUE(bar()->isVisible());

    // The total stays as made; used follows the next listing.
    FakeRecorderApi::listing.totalBytes = 2147483648u;
    FakeRecorderApi::listing.freeBytes = 1073741824;
    refresh();
    EXPECT_EQ(bar()->upper(), 1048);
    EXPECT_EQ(frame->memoryBar()->message(), QStringLiteral("1048/2097(MB)"));
}

TEST_F(StatusBarTest, PcSelectionShowsTheRoomItWouldLackOrLeave) {
    summary({1, 3, 10, 4, 300000});
    EXPECT_EQ(frame->statusPane(0)->text(),
              QStringLiteral("3 item(s) selected    ( Recoder over space : 192KB )"));
    EXPECT_EQ(frame->statusPane(1)->text(), QStringLiteral("293KB"));
    EXPECT_EQ(bar()->secondValue(), 0);  // 10 blocks are less than a megabyte

    summary({1, 1, 64, 3200, 2097152});
    EXPECT_EQ(frame->statusPane(0)->text(),
              QStringLiteral("1 item(s) selected    ( Recoder free space : 98.0MB )"));
    EXPECT_EQ(bar()->secondValue(), 2);

    // The next plain message takes the selection's share off the bar.
    frame->send(msg::WM_STATUS_INFO, 0, 0);
    EXPECT_EQ(bar()->secondValue(), 0);
    EXPECT_EQ(frame->statusPane(0)->text(), QStringLiteral("Ready"));
    EXPECT_EQ(frame->statusPane(1)->text(), QString());
}

TEST_F(StatusBarTest, RecorderSelectionShowsOnlyCountAndSize) {
    summary({0, 2, 0, 0, 1000});
    EXPECT_EQ(frame->statusPane(0)->text(), QStringLiteral("2 item(s) selected"));
    EXPECT_EQ(frame->statusPane(1)->text(), QStringLiteral("0.98KB"));
}

TEST_F(StatusBarTest, IconRecordShowsItsFourthNumber) {
    const std::int32_t record[5] = {1, 2, 3, 42, 5};
    frame->send(msg::WM_STATUS_INFO, kIconInfo, reinterpret_cast<LParam>(record));
    EXPECT_EQ(frame->statusPane(0)->text(), QStringLiteral("Icon : 42"));
}

TEST_F(StatusBarTest, ListingSaysRefreshDeviceThenReady) {
    StatusTexts texts(*frame);
    refresh();
    EXPECT_EQ(texts.texts,
              (std::vector<QString>{QStringLiteral("Refresh Device"), QStringLiteral("<idle>")}));
    EXPECT_EQ(frame->statusPane(0)->text(), QStringLiteral("Ready"));
}

TEST_F(StatusBarTest, MemoryBarGoesWithTheRecorder) {
    FakeRecorderApi::present = false;
    refresh();
    EXPECT_EQ(frame->memoryBar(), nullptr);
    EXPECT_EQ(frame->statusPane(2)->text(), QString());
    EXPECT_EQ(frame->statusPane(0)->text(), QStringLiteral("The recorder not found!!!"));

    // With no recorder listed a PC selection has no room to compare with.
    summary({1, 1, 10, 0, 4096});
    EXPECT_EQ(frame->statusPane(0)->text(), QStringLiteral("1 item(s) selected"));
    EXPECT_EQ(frame->statusPane(1)->text(), QStringLiteral("4.00KB"));
    EXPECT_EQ(frame->memoryBar(), nullptr);

    FakeRecorderApi::present = true;
    refresh();
    ASSERT_NE(frame->memoryBar(), nullptr);
}

TEST_F(StatusBarTest, BarSitsRightOfItsMessageWithATenthFreeAboveAndBelow) {
    frame->resize(900, 600);
    VOX_TRY_VERIFY(frame->memoryBar()->placedRect().isValid());
    const QRect pane = frame->statusPane(2)->geometry();
    const QRect placed = frame->memoryBar()->placedRect();
    const QFontMetrics metrics(frame->statusBar()->font());
    const int expectedLeft = pane.left() +
                             metrics.horizontalAdvance(frame->memoryBar()->message()) +
                             4 * metrics.horizontalAdvance(u' ');
    EXPECT_EQ(placed.left(), expectedLeft);
    EXPECT_EQ(placed.right(), pane.right());
    EXPECT_EQ(placed.top(), pane.top() + pane.height() / 10);
    EXPECT_EQ(bar()->geometry(), placed);

    frame->memoryBar()->setSize(50);
    const int room = pane.right() - expectedLeft + 1;
    EXPECT_EQ(frame->memoryBar()->placedRect().right(), pane.right() - room * 50 / 100);
}

}  // namespace
}  // namespace vox::app
