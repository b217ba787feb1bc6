// Delete, Move and Format through the main window on a simulated recorder.

#include "application/core/delete_worker.h"
#include "application/core/message_window.h"
#include "application/core/tests/recorder_program_fixture.h"
#include "engine/rules/rule_texts.h"
#include "platform/messages/message_numbers.h"

namespace vox::app::testing {
namespace {

namespace msg = vox::messages;

// The delete worker's steps as the form received them, with the Current
// bar's text before each.
class DeleteSteps final : public MessageObserver {
  public:
    explicit DeleteSteps(CFlashForm& form) : form_(form) { form_.addObserver(this); }
    ~DeleteSteps() override { form_.removeObserver(this); }
    void observe(Message message, WParam wParam, LParam lParam) override {
        if (message != msg::WM_DELETE_NOTIFY) return;
        if (wParam == kDeleteRemoveRow) removedRows.push_back(static_cast<int>(lParam));
        if (wParam == kDeleteProgress || wParam == kDeleteFinished)
            barTexts.push_back(form_.currentBar()->text());
        if (wParam == kDeleteProgress && onProgress) onProgress(static_cast<int>(lParam));
    }
    std::vector<int> removedRows;
    std::vector<QString> barTexts;
    std::function<void(int)> onProgress;

  private:
    CFlashForm& form_;
};

class RecorderEdits : public RecorderProgramTest {
  protected:
    void SetUp() override {
        RecorderProgramTest::SetUp();
        for (int i = 0; i < 9; ++i) {
            const std::string name = "F" + std::to_string(i) + ".BIN";
            addRecorderFile("HD", name, 10, 7, std::u16string(name.begin(), name.end()));
        }
        showRecorderFolder(4);
        ASSERT_EQ(list->topLevelItemCount(), 9);
    }
};

TEST_F(RecorderEdits, DeleteRemovesTheHighestRowFirstAndCountsUp) {
    selectRecorderRows({2, 5, 7});
    DeleteSteps steps(*form);
    request(msg::WM_DELETE_FILES);
    ASSERT_GE(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              QStringLiteral("3 file(s) will be deleted.\nDo you want to continue ?"));
    EXPECT_EQ(boxes.shown[0].buttons, BoxButtons::OkCancel);
    VOX_TRY_VERIFY(!doc->work.hasWorkers() && idle());

    EXPECT_EQ(steps.removedRows, (std::vector<int>{7, 5, 2}));
    // The text each progress notice found is the one before it.
    const std::vector<QString> texts{
        QStringLiteral("0% Complete (0/3)"), QStringLiteral("33% Complete (1/3)"),
        QStringLiteral("66% Complete (2/3)"), QStringLiteral("100% Complete (3/3)")};
    EXPECT_EQ(steps.barTexts, texts);
    EXPECT_EQ(recorderNames("HD"), (std::vector<std::string>{"F0.BIN", "F1.BIN", "F3.BIN", "F4.BIN",
                                                             "F6.BIN", "F8.BIN"}));
    VOX_TRY_COMPARE(list->topLevelItemCount(), 6);
    EXPECT_TRUE(form->currentBar()->text().isEmpty());
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(RecorderEdits, DeleteAnsweredCancelDeletesNothing) {
    selectRecorderRows({0, 1});
    boxes.answers = {BoxAnswer::Cancel};
    request(msg::WM_DELETE_FILES);
    EXPECT_FALSE(doc->work.hasWorkers());
    EXPECT_EQ(recorderNames("HD").size(), 9u);
}

TEST_F(RecorderEdits, CancelStopsTheDeleteAfterTheCurrentFile) {
    selectRecorderRows({0, 1, 2, 3});
    DeleteSteps steps(*form);
    steps.onProgress = [&](int file) {
        if (file == 2) form->button(CFlashForm::kCancel)->click();
    };
    request(msg::WM_DELETE_FILES);
    VOX_TRY_VERIFY(!doc->work.hasWorkers() && idle());
    EXPECT_EQ(steps.removedRows, (std::vector<int>{3, 2}));
    EXPECT_EQ(recorderNames("HD").size(), 7u);
    EXPECT_EQ(boxes.count(QString::fromLatin1(rules::texts::kCancelled)), 1);
    VOX_TRY_COMPARE(list->topLevelItemCount(), 7);
}

// A file the recorder does not delete keeps its row, and the user is told.
TEST_F(RecorderEdits, AFailedDeleteIsReportedAndItsRowStays) {
    selectRecorderRows({4});
    recorder->faults().unplugAt("command-reply");
    DeleteSteps steps(*form);
    request(msg::WM_DELETE_FILES);
    VOX_TRY_VERIFY(!doc->work.hasWorkers() && idle());
    EXPECT_TRUE(steps.removedRows.empty());
    EXPECT_EQ(boxes.count(QString::fromLatin1(rules::texts::kUsbFailed)), 1);
}

TEST_F(RecorderEdits, MoveGoesOnePlaceAndNotPastEitherEnd) {
    selectRecorderRows({0});
    request(msg::WM_MOVE_FILE, 1);  // List Up on the first row
    selectRecorderRows({8});
    request(msg::WM_MOVE_FILE, 0);  // List Down on the last row
    EXPECT_EQ(recorderNames("HD").front(), "F0.BIN");
    EXPECT_EQ(recorderNames("HD").back(), "F8.BIN");

    selectRecorderRows({4});
    request(msg::WM_MOVE_FILE, 1);
    EXPECT_EQ(recorderNames("HD")[3], "F4.BIN");
    EXPECT_EQ(recorderNames("HD")[4], "F3.BIN");
    // The list shows the new order with the moved file selected.
    EXPECT_EQ(list->topLevelItem(3)->text(0), QStringLiteral("F4.BIN"));
    EXPECT_EQ(list->currentItem(), list->topLevelItem(3));

    // Ctrl+Down in the list sends the request too.
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(recorderNames("HD")[4], "F4.BIN");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RecorderEdits, FormatAsksTwiceAndEmptiesTheRecorder) {
    boxes.answers = {BoxAnswer::Ok, BoxAnswer::Cancel};
    request(msg::WM_FORMAT_DEVICE);
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(idle());
    EXPECT_EQ(recorderNames("HD").size(), 9u);

    bool cancelDuringFormat = true;
    request(msg::WM_FORMAT_DEVICE);
    ASSERT_EQ(boxes.shown.size(), 4u);
    EXPECT_EQ(boxes.shown[2].text, QString::fromLatin1(rules::texts::kFormatQuestion));
    EXPECT_EQ(boxes.shown[3].text, QString::fromLatin1(rules::texts::kFormatPlugWarning));
    VOX_TRY_VERIFY(doc->work.busy());
    cancelDuringFormat = form->button(CFlashForm::kCancel)->isEnabled();
    waitIdle(30000);
    EXPECT_FALSE(cancelDuringFormat);
    EXPECT_TRUE(recorderNames("HD").empty());
    VOX_TRY_COMPARE(list->topLevelItemCount(), 0);
    EXPECT_EQ(boxes.shown.size(), 4u);
    EXPECT_TRUE(form->button(CFlashForm::kFormat)->isEnabled());
}

// A recorder that does not answer the format leaves the program idle, and
// the user is told.
TEST_F(RecorderEdits, ARefusedFormatIsReportedAndTheProgramReturnsToIdle) {
    recorder->faults().unplugAt("format-reply");
    request(msg::WM_FORMAT_DEVICE);
    VOX_TRY_VERIFY_WITH_TIMEOUT(boxes.count(QString::fromLatin1(rules::texts::kUsbFailed)) == 1,
                                30000);
    waitIdle();
    EXPECT_EQ(doc->work.onRecorder(), Work::Nothing);
    EXPECT_TRUE(form->currentBar()->text().isEmpty());
}

}  // namespace
}  // namespace vox::app::testing
