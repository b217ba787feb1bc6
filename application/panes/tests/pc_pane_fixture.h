#pragma once
// The PC pane as the main window holds it (form on top, tree beside list)
// inside a stand-in main window that records what the panes tell it. HOME
// and the data folder point into a temporary folder, so the Desktop, the
// Documents folder and the trash are the test's own. The drives are "/" and
// a folder of the test's that stands in for a mounted volume.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QSettings>
#include <QTest>
#include <fstream>
#include <memory>

#include "application/core/pelmarch_doc.h"
#include "application/core/profile.h"
#include "application/core/selection_summary.h"
#include "application/core/tests/support/recording_message_boxes.h"
#include "application/panes/dir_panes.h"
#include "application/panes/hover_button.h"
#include "application/panes/tests/temporary_home.h"
#include "platform/messages/message_numbers.h"

namespace vox::app::testing {

struct FrameMessage {
    Message message;
    WParam wParam;
    LParam lParam;
};

class StandInFrame : public vox::panes::PaneWindow<QWidget> {
  public:
    std::vector<FrameMessage> messages;
    std::vector<SelectionSummary> summaries;
    std::vector<std::string> statusTexts;

    int count(Message message, WParam wParam) const {
        return static_cast<int>(std::count_if(messages.begin(), messages.end(), [&](auto& m) {
            return m.message == message && m.wParam == wParam;
        }));
    }

  protected:
    LResult handleMessage(Message message, WParam wParam, LParam lParam) override {
        messages.push_back({message, wParam, lParam});
        if (message == vox::messages::WM_STATUS_INFO && wParam == kSelectionSummaryInfo)
            summaries.push_back(*reinterpret_cast<const SelectionSummary*>(lParam));
        if (message == vox::messages::WM_STATUS_INFO && wParam == 0 && lParam != 0)
            statusTexts.emplace_back(reinterpret_cast<const char*>(lParam));
        return 0;
    }
};

// Handles events until `condition` holds; false when it does not within
// `ms` milliseconds.
template <typename Condition>
bool eventually(Condition condition, int ms = 5000) {
    return QTest::qWaitFor(condition, ms);
}

class PcPaneTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(home.valid());
        QSettings().clear();
        root = home.path();
        makeFolder("Desktop");
        makeFolder("Documents");
        makeFolder("vol");
        drives = {{"/", QStringLiteral("File System")}, {root + "vol/", QStringLiteral("vol")}};
    }

    void TearDown() override {
        frame.reset();
        doc.reset();
    }

    // Builds and shows the pane, with `workingDirectory` kept from a last run.
    void open(const std::string& workingDirectory = {}) {
        if (!workingDirectory.empty())
            writeText(setting::WorkingDirectory, QString::fromStdString(workingDirectory));
        doc = std::make_unique<CPelmarchDoc>();
        frame = std::make_unique<StandInFrame>();
        auto* layout = new QVBoxLayout(frame.get());
        form = new CDirForm(*doc, frame.get());
        form->filter = QStringLiteral("*");
        form->quality = 0;
        auto* lower = new QHBoxLayout;
        tree = new CDirTree(*doc, frame.get(), [this] { return drives; });
        list = new CDirList(*doc, frame.get());
        lower->addWidget(tree);
        lower->addWidget(list);
        layout->addWidget(form);
        layout->addLayout(lower);
        frame->resize(900, 600);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    }

    void makeFolder(const std::string& relative) {
        ASSERT_TRUE(QDir().mkpath(QFile::decodeName((root + relative).c_str())));
    }
    void makeFile(const std::string& relative, std::size_t size) {
        std::ofstream(root + relative, std::ios::binary) << std::string(size, 'x');
    }

    QStringList column(int c) const {
        QStringList texts;
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            texts << list->topLevelItem(row)->text(c);
        return texts;
    }
    QTreeWidgetItem* row(const QString& name) const {
        for (int index = 0; index < list->topLevelItemCount(); ++index)
            if (list->topLevelItem(index)->text(0) == name) return list->topLevelItem(index);
        return nullptr;
    }
    void clickRow(const QString& name, Qt::KeyboardModifiers modifiers = {}) {
        QTreeWidgetItem* item = row(name);
        ASSERT_NE(item, nullptr) << name.toStdString();
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                          QPoint(list->visualItemRect(item).left() + 20,
                                 list->visualItemRect(item).center().y()));
    }
    void clickHeader(int c) {
        QTest::mouseClick(
            list->header()->viewport(), Qt::LeftButton, {},
            QPoint(list->header()->sectionViewportPosition(c) + 10, list->header()->height() / 2));
    }

    vox::testing::TemporaryHome home;
    std::string root;  // the temporary home, ending with '/'
    std::vector<vox::panes::PcDrive> drives;
    RecordingMessageBoxes boxes;
    std::unique_ptr<CPelmarchDoc> doc;
    std::unique_ptr<StandInFrame> frame;
    CDirForm* form = nullptr;
    CDirTree* tree = nullptr;
    CDirList* list = nullptr;
};

}  // namespace vox::app::testing
