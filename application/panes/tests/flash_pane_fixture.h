#pragma once
// A main window over a scripted recorder, shown and listed once, with the
// message-box double in place and the C library's time texts in the "C"
// locale so that dates read the same on every machine.

#include <gtest/gtest.h>

#include <QTest>
#include <clocale>
#include <memory>

#include "application/core/frame_messages.h"
#include "application/core/main_frame.h"
#include "application/core/pelmarch_doc.h"
#include "application/core/tests/support/fake_recorder_api.h"
#include "application/core/tests/support/gtest_wait.h"
#include "application/core/tests/support/recording_message_boxes.h"
#include "application/panes/flash_form.h"
#include "application/panes/flash_list.h"
#include "application/panes/flash_tree.h"

namespace vox::app::testing {

class FlashPaneTest : public ::testing::Test {
  protected:
    // Entries a test wants listed from the start are added before this runs.
    virtual void script() {}

    void SetUp() override {
        std::setlocale(LC_TIME, "C");
        FakeRecorderApi::reset(true);
        script();
        doc = std::make_unique<CPelmarchDoc>(FakeRecorderApi::api());
        frame = std::make_unique<CMainFrame>(*doc);
        frame->show();
        VOX_TRY_COMPARE_WITH_TIMEOUT(doc->currentFolder, 3, 2000);
        list = doc->flashList;
        tree = doc->flashTree;
        form = doc->flashForm;
    }

    void TearDown() override {
        frame.reset();
        doc.reset();
    }

    QString cell(int row, int column) const { return list->topLevelItem(row)->text(column); }
    bool enabled(CFlashForm::ControlId id) const { return form->button(id)->isEnabled(); }
    void clickItem(QTreeWidgetItem* item) {
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          tree->visualItemRect(item).center());
    }
    void refresh() { frame->send(WM_COMMAND, kRefreshCommand, 0); }

    RecordingMessageBoxes boxes;
    std::unique_ptr<CPelmarchDoc> doc;
    std::unique_ptr<CMainFrame> frame;
    CFlashList* list = nullptr;
    CFlashTree* tree = nullptr;
    CFlashForm* form = nullptr;
};

}  // namespace vox::app::testing
