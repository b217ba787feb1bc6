// The main window as a screen reader meets it: the status panes read and
// announce their texts, the memory bar gives its value and text, every
// control has a name of its own and a description, the Quality and Type
// lists are labelled by their labels, and keys reach every command.

#include <QAbstractItemView>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QSet>
#include <fstream>

#include "application/core/selection_summary.h"
#include "application/core/tests/support/accessibility_events.h"
#include "application/core/tests/support/gtest_wait.h"
#include "application/core/tests/support/message_spy.h"
#include "application/panes/dir_panes.h"
#include "application/panes/status_progress_bar.h"
#include "application/panes/tests/flash_pane_fixture.h"
#include "application/panes/tests/temporary_home.h"
#include "platform/messages/message_numbers.h"

namespace vox::app {
namespace {

using testing::AccessibilityEvents;
using testing::FakeRecorderApi;
using testing::MessageSpy;
using vox::panes::CHoverButton;
namespace msg = vox::messages;

QString said(QObject* object, QAccessible::Text kind) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(kind) : QStringLiteral("<no interface>");
}

class AccessibleWindowTest : public testing::FlashPaneTest {
  protected:
    void script() override {
        FakeRecorderApi::listing.versionByte = 0x15;
        FakeRecorderApi::listing.totalBytes = 1073741824;  // 1 GiB
        FakeRecorderApi::listing.freeBytes = 104857600;    // 100 MiB
        FakeRecorderApi::addEntry("SONG    ", "MP3", 3000);
        std::ofstream(home.path() + "talk.mp3") << "spoken words";
    }
    void SetUp() override {
        ASSERT_TRUE(home.valid());  // the PC side opens the home folder
        FlashPaneTest::SetUp();
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    }
    // The window's controls a listener reaches: buttons, lists, trees,
    // drop-down lists and bars (a drop-down's own list view and the lists'
    // headers belong to them).
    QList<QWidget*> controls() const {
        QList<QWidget*> found;
        for (QWidget* widget : frame->findChildren<QWidget*>()) {
            if (!widget->isVisibleTo(frame.get())) continue;
            const bool inComboBox =
                widget->parentWidget() && (qobject_cast<QComboBox*>(widget->parentWidget()) ||
                                           widget->window() != frame.get());
            if (inComboBox || qobject_cast<QHeaderView*>(widget)) continue;
            if (qobject_cast<CHoverButton*>(widget) || qobject_cast<QComboBox*>(widget) ||
                qobject_cast<QAbstractItemView*>(widget) ||
                qobject_cast<vox::panes::TextProgressCtrl*>(widget))
                found.append(widget);
        }
        return found;
    }

    vox::testing::TemporaryHome home;
};

TEST_F(AccessibleWindowTest, StatusPanesAreReadByTheirTextsAndAnnounceEachNewOne) {
    VOX_REQUIRE_ACCESSIBILITY_BUS();
    AccessibilityEvents heard;
    QLabel* status = frame->statusPane(0);
    QLabel* size = frame->statusPane(1);
    EXPECT_EQ(said(status, QAccessible::Description), QStringLiteral("Status"));
    EXPECT_EQ(said(size, QAccessible::Description), QStringLiteral("Selection size"));

    static const char kMissing[] = "The recorder not found!!!";
    frame->send(msg::WM_STATUS_INFO, 0, reinterpret_cast<LParam>(kMissing));
    EXPECT_EQ(said(status, QAccessible::Name), QString::fromLatin1(kMissing));
    EXPECT_GE(heard.count(QAccessible::NameChanged, status), 1);

    SelectionSummary summary;
    summary.rows = 1;
    summary.bytes = 3000;
    frame->send(msg::WM_STATUS_INFO, kSelectionSummaryInfo, reinterpret_cast<LParam>(&summary));
    EXPECT_EQ(said(status, QAccessible::Name), QStringLiteral("1 item(s) selected"));
    EXPECT_FALSE(size->text().isEmpty());
    EXPECT_EQ(said(size, QAccessible::Name), size->text());
    EXPECT_GE(heard.count(QAccessible::NameChanged, size), 1);
}

TEST_F(AccessibleWindowTest, MemoryBarGivesItsValueAndTextAndAnnouncesAChange) {
    ASSERT_NE(frame->memoryBar(), nullptr);
    vox::panes::TextProgressCtrl* bar = frame->memoryBar()->control();
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(bar);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->role(), QAccessible::ProgressBar);
    EXPECT_EQ(face->text(QAccessible::Name), QStringLiteral("Memory use"));
    ASSERT_NE(face->valueInterface(), nullptr);
    EXPECT_EQ(face->valueInterface()->minimumValue().toInt(), 0);
    EXPECT_EQ(face->valueInterface()->maximumValue().toInt(), 1048);
    EXPECT_EQ(face->valueInterface()->currentValue().toInt(), 946);
    EXPECT_EQ(face->text(QAccessible::Value), QStringLiteral("946 of 1048 MB used"));
    EXPECT_EQ(said(frame->statusPane(2), QAccessible::Name), QStringLiteral("946/1048(MB)"));

    VOX_REQUIRE_ACCESSIBILITY_BUS();
    AccessibilityEvents heard;
    FakeRecorderApi::listing.freeBytes = 536870912;  // 512 MiB
    refresh();
    VOX_TRY_VERIFY(face->valueInterface()->currentValue().toInt() == 524);
    EXPECT_EQ(face->text(QAccessible::Value), QStringLiteral("524 of 1048 MB used"));
    VOX_TRY_VERIFY(!heard.values(bar).empty() && heard.values(bar).back() == 524);
}

TEST_F(AccessibleWindowTest, EveryControlHasANameOfItsOwnAndADescription) {
    const QList<QWidget*> found = controls();
    QSet<QString> names;
    for (QWidget* control : found) {
        const QString name = said(control, QAccessible::Name);
        EXPECT_FALSE(name.isEmpty()) << control->metaObject()->className();
        EXPECT_FALSE(said(control, QAccessible::Description).isEmpty()) << name.toStdString();
        EXPECT_FALSE(names.contains(name)) << "twice: " << name.toStdString();
        names.insert(name);
    }
    // 8 + 7 buttons, 2 + 2 (the player's speed and marks) drop-down lists, 2 trees, 2 lists,
    // 3 bars.
    EXPECT_EQ(found.size(), 26);
    for (const char* expected :
         {"Delete on the recorder", "Delete on the PC", "Total", "Current", "Memory use",
          "PC files", "Recorder list", "Upload to the PC", "Marks"})
        EXPECT_TRUE(names.contains(QString::fromLatin1(expected))) << expected;
}

TEST_F(AccessibleWindowTest, QualityAndTypeListsAreLabelledByTheirLabels) {
    const std::pair<QComboBox*, QString> lists[] = {
        {doc->dirForm->qualityList(), QStringLiteral("Quality :")},
        {doc->dirForm->typeList(), QStringLiteral("Type :")}};
    for (const auto& [list, labelText] : lists) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(list);
        ASSERT_NE(face, nullptr);
        QStringList labels;
        for (const auto& [other, relation] : face->relations(QAccessible::Label))
            if (auto* label = qobject_cast<QLabel*>(other->object())) labels << label->text();
        EXPECT_EQ(labels, QStringList{labelText});
    }
}

TEST_F(AccessibleWindowTest, EachButtonHasItsOwnAltKeyAndSaysItInItsTooltip) {
    const std::pair<CHoverButton*, QString> keys[] = {
        {form->button(CFlashForm::kDownload), "Alt+D"},
        {form->button(CFlashForm::kUpload), "Alt+U"},
        {form->button(CFlashForm::kFormat), "Alt+F"},
        {form->button(CFlashForm::kDelete), "Alt+E"},
        {form->button(CFlashForm::kListUp), "Alt+L"},
        {form->button(CFlashForm::kListDown), "Alt+I"},
        {form->button(CFlashForm::kCancel), "Alt+C"},
        {doc->dirForm->button(CDirForm::UpFolder), "Alt+P"},
        {doc->dirForm->button(CDirForm::CreateFolder), "Alt+A"},
        {doc->dirForm->button(CDirForm::Delete), "Alt+T"},
        {doc->dirForm->button(CDirForm::ConvertToWave), "Alt+W"},
        {doc->dirForm->button(CDirForm::ConvertToDvf), "Alt+O"},
        {doc->dirForm->button(CDirForm::Refresh), "Alt+R"}};
    for (const auto& [button, key] : keys) {
        EXPECT_EQ(button->shortcut(), QKeySequence(key)) << button->caption().toStdString();
        EXPECT_TRUE(button->tooltipText().endsWith(QStringLiteral(" (%1)").arg(key)))
            << button->tooltipText().toStdString();
        EXPECT_FALSE(button->tooltipText().contains(u'&'));
    }
}

TEST_F(AccessibleWindowTest, AltKeysRunTheRecorderButtonsCommands) {
    MessageSpy frameSpy(*frame);
    boxes.answers = {BoxAnswer::Cancel};
    const std::pair<Qt::Key, std::pair<Message, WParam>> presses[] = {
        {Qt::Key_D, {msg::WM_DOWNLOAD_FILES, 0}},
        {Qt::Key_U, {msg::WM_UPLOAD_FILES, 0}},
        {Qt::Key_L, {msg::WM_MOVE_FILE, 1}},
        {Qt::Key_I, {msg::WM_MOVE_FILE, 0}},
        {Qt::Key_F, {msg::WM_FORMAT_DEVICE, 0}}};
    for (const auto& [key, request] : presses) {
        QTest::keyClick(frame.get(), key, Qt::AltModifier);
        VOX_TRY_VERIFY(std::any_of(frameSpy.seen.begin(), frameSpy.seen.end(), [&](auto& seen) {
            return seen.message == request.first && seen.wParam == request.second;
        }));
    }
    // Format asked first, and Cancel kept the recorder.
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(FakeRecorderApi::listing.totalBytes, 1073741824u);
}

TEST_F(AccessibleWindowTest, AltKeysRunThePcButtonsCommands) {
    MessageSpy frameSpy(*frame);
    MessageSpy listSpy(*doc->dirList);
    QTest::keyClick(frame.get(), Qt::Key_R, Qt::AltModifier);
    VOX_TRY_VERIFY(listSpy.count(msg::WM_REFRESH_LIST) == 1);
    QTest::keyClick(frame.get(), Qt::Key_W, Qt::AltModifier);
    VOX_TRY_VERIFY(frameSpy.count(msg::WM_CONVERT_FILES) == 1);
    QTest::keyClick(frame.get(), Qt::Key_O, Qt::AltModifier);
    VOX_TRY_VERIFY(frameSpy.count(msg::WM_CONVERT_FILES) == 2);
    // Delete asks before the file goes to the trash; No keeps it.
    boxes.answers = {BoxAnswer::No};
    doc->dirList->setFocus();
    QTreeWidgetItem* talk = nullptr;
    for (int row = 0; row < doc->dirList->topLevelItemCount(); ++row)
        if (doc->dirList->topLevelItem(row)->text(0) == QStringLiteral("talk.mp3"))
            talk = doc->dirList->topLevelItem(row);
    ASSERT_NE(talk, nullptr);
    talk->setSelected(true);
    QTest::keyClick(frame.get(), Qt::Key_T, Qt::AltModifier);
    VOX_TRY_VERIFY(boxes.shown.size() == 1u);
    EXPECT_TRUE(std::ifstream(home.path() + "talk.mp3").good());
    // Up a folder leaves the home folder.
    QTest::keyClick(frame.get(), Qt::Key_P, Qt::AltModifier);
    VOX_TRY_VERIFY(doc->workingDirectory != home.path());
}

TEST_F(AccessibleWindowTest, F5ReadsBothSidesAgain) {
    const int recorderRows = list->topLevelItemCount();
    const int pcRows = doc->dirList->topLevelItemCount();
    FakeRecorderApi::addEntry("NEWSONG ", "MP3", 4000);
    std::ofstream(home.path() + "new.mp3") << "more words";
    QTest::keyClick(frame.get(), Qt::Key_F5);
    VOX_TRY_VERIFY(list->topLevelItemCount() == recorderRows + 1 &&
                   doc->dirList->topLevelItemCount() == pcRows + 1);
}

}  // namespace
}  // namespace vox::app
