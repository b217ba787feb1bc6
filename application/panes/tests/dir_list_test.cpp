// The PC list: what a listing shows and in which order, the Type pattern,
// new folders, renaming, deleting to the trash, the keys, the selection
// summary and the row of a file saved from the recorder.

#include <sys/stat.h>

#include <QAccessible>
#include <QApplication>
#include <QDesktopServices>
#include <QLineEdit>
#include <QTimer>
#include <QUrl>

#include "application/core/message_boxes.h"
#include "application/panes/tests/pc_pane_fixture.h"
#include "engine/rules/recorder_listing.h"

namespace vox::app::testing {
namespace {

bool exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// Stands in for the desktop's "open with the preferred program".
class OpenedUrls : public QObject {
    Q_OBJECT
  public:
    OpenedUrls() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~OpenedUrls() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    Q_INVOKABLE void open(const QUrl& url) { urls.push_back(url); }
    std::vector<QUrl> urls;
};

class DirListTest : public PcPaneTest {
  protected:
    // A working folder "w" with some files and folders, shown in the pane.
    void openFolderW() {
        makeFolder("w/Music");
        makeFolder("w/take.wav");
        makeFile("w/empty.txt", 0);
        makeFile("w/a.wav", 1025);
        makeFile("w/B.WAV", 1234567);
        makeFile("w/c.mp3", 10);
        makeFile("w/.hidden", 5);
        open(root + "w/");
        ASSERT_EQ(doc->workingDirectory, root + "w/");
    }

    // Types `text` into the in-place editor of `name` and ends the edit.
    void renameRow(const QString& name, const QString& text) {
        ASSERT_NE(row(name), nullptr);
        if (!row(name)->isSelected()) clickRow(name);  // a click on a selected row edits too
        ASSERT_TRUE(eventually([&] { return list->hasFocus(); }));
        QTest::keyClick(list, Qt::Key_F2);
        QLineEdit* editor = nullptr;
        ASSERT_TRUE(eventually(
            [&] { return (editor = list->viewport()->findChild<QLineEdit*>()) != nullptr; }));
        editor->selectAll();
        if (text.isEmpty())
            QTest::keyClick(editor, Qt::Key_Delete);
        else
            QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        ASSERT_TRUE(
            eventually([&] { return list->viewport()->findChild<QLineEdit*>() == nullptr; }));
        // The rename itself runs once the edit has ended: it is waiting.
        QCoreApplication::sendPostedEvents(list, QEvent::MetaCall);
    }
};

TEST_F(DirListTest, ListsEveryEntryWithSizesAndSortsByTypeDescendingAtFirst) {
    openFolderW();
    EXPECT_EQ(list->core().sortValue(), -3);
    QStringList names = column(0);
    names.sort();
    EXPECT_EQ(names, (QStringList{".hidden", "B.WAV", "Music", "a.wav", "c.mp3", "empty.txt",
                                  "take.wav"}));
    EXPECT_EQ(row("Music")->text(1), QString());
    EXPECT_EQ(row("empty.txt")->text(1), QStringLiteral("0KB"));
    EXPECT_EQ(row("a.wav")->text(1), QStringLiteral("2KB"));
    EXPECT_EQ(row("B.WAV")->text(1), QStringLiteral("1,206KB"));
    EXPECT_FALSE(row("a.wav")->text(2).isEmpty());
    EXPECT_FALSE(row("a.wav")->text(3).isEmpty());
    QStringList types = column(2);
    QStringList descending = types;
    std::sort(descending.begin(), descending.end(),
              [](const QString& a, const QString& b) { return a.toUtf8() > b.toUtf8(); });
    EXPECT_EQ(types, descending);
    EXPECT_EQ(doc->title(), root + "w");
}

TEST_F(DirListTest, TypeChoiceListsOnlyMatchingFilesAndFolders) {
    openFolderW();
    QComboBox* type = form->typeList();
    EXPECT_EQ(type->currentText(), QStringLiteral("*.*"));  // "*" kept from the settings
    type->setFocus();
    QTest::keyClick(type, Qt::Key_Down);  // *.mp3
    EXPECT_TRUE(eventually([&] { return column(0) == QStringList{QStringLiteral("c.mp3")}; }));
    QTest::keyClick(type, Qt::Key_Down);  // *.wma
    QTest::keyClick(type, Qt::Key_Down);  // *.wav
    EXPECT_TRUE(eventually([&] { return form->filter == QStringLiteral("*.wav"); }));
    QStringList names = column(0);
    names.sort();
    EXPECT_EQ(names, (QStringList{"B.WAV", "a.wav", "take.wav"}));
}

TEST_F(DirListTest, HeaderClicksSortNameBothWaysAndTheOrderOutlivesARelisting) {
    openFolderW();
    clickHeader(0);
    EXPECT_EQ(list->core().sortValue(), 1);
    EXPECT_EQ(column(0).front(), QStringLiteral(".hidden"));
    EXPECT_EQ(column(0).back(), QStringLiteral("take.wav"));
    clickHeader(0);
    EXPECT_EQ(list->core().sortValue(), -1);
    const QStringList descending = column(0);
    EXPECT_EQ(descending.front(), QStringLiteral("take.wav"));
    clickHeader(1);  // Size never sorts
    EXPECT_EQ(list->core().sortValue(), -1);
    EXPECT_EQ(column(0), descending);
    QTest::mouseClick(form->button(CDirForm::Refresh), Qt::LeftButton);
    EXPECT_EQ(column(0), descending);
    // The row's own name bytes move with its text.
    for (int index = 0; index < list->topLevelItemCount(); ++index)
        EXPECT_EQ(QString::fromStdString(list->rowName(list->topLevelItem(index))),
                  list->topLevelItem(index)->text(0));
}

TEST_F(DirListTest, NewFolderTakesTheFirstFreeOfThirtyNamesAndIsEditedAtOnce) {
    makeFolder("n/New Folder");
    open(root + "n/");
    QTest::mouseClick(form->button(CDirForm::CreateFolder), Qt::LeftButton);
    EXPECT_TRUE(exists(root + "n/New Folder (1)"));
    const int last = list->topLevelItemCount() - 1;
    EXPECT_EQ(list->topLevelItem(last)->text(0), QStringLiteral("New Folder (1)"));
    ASSERT_TRUE(eventually([&] { return list->viewport()->findChild<QLineEdit*>() != nullptr; }));
    EXPECT_TRUE(list->hasFocus() || list->viewport()->findChild<QLineEdit*>()->hasFocus());
    QTest::keyClick(list->viewport()->findChild<QLineEdit*>(), Qt::Key_Escape);

    for (int n = 2; n <= 29; ++n) makeFolder("n/New Folder (" + std::to_string(n) + ")");
    const int rows = list->topLevelItemCount();
    EXPECT_EQ(list->send(vox::messages::WM_NEW_FOLDER, 0, 0), 0);
    EXPECT_EQ(list->topLevelItemCount(), rows);
    EXPECT_FALSE(exists(root + "n/New Folder (30)"));
}

TEST_F(DirListTest, RenameRefusesForbiddenAndEmptyNamesButChangesCase) {
    openFolderW();
    renameRow(QStringLiteral("c.mp3"), QStringLiteral("x:y.mp3"));
    EXPECT_TRUE(exists(root + "w/c.mp3"));
    EXPECT_NE(row("c.mp3"), nullptr);
    renameRow(QStringLiteral("c.mp3"), QString());
    EXPECT_TRUE(exists(root + "w/c.mp3"));
    EXPECT_NE(row("c.mp3"), nullptr);
    renameRow(QStringLiteral("c.mp3"), QStringLiteral("C.MP3"));
    EXPECT_TRUE(exists(root + "w/C.MP3"));
    EXPECT_FALSE(exists(root + "w/c.mp3"));
    ASSERT_NE(row("C.MP3"), nullptr);
    EXPECT_EQ(list->rowName(row("C.MP3")), "C.MP3");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(DirListTest, RenameOntoAnotherFileIsRefusedAndBothStay) {
    openFolderW();
    renameRow(QStringLiteral("c.mp3"), QStringLiteral("a.wav"));
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(row("c.mp3"), nullptr);
    struct stat info {};
    ASSERT_EQ(::stat((root + "w/a.wav").c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 1025);
}

// With the program's own modal boxes: the box that refuses a name already
// taken is answered with OK, and the program goes on with both files, and
// then with a second rename of the same row.
TEST_F(DirListTest, RenameOntoAnotherNameSurvivesTheRealBoxBeingAnswered) {
    openFolderW();
    installMessageBoxes(nullptr);
    int answered = 0;
    QTimer okPresser;
    QObject::connect(&okPresser, &QTimer::timeout, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            QTest::keyClick(box, Qt::Key_Return);
            ++answered;
        }
    });
    okPresser.start(20);
    for (const char* taken : {"a.wav", "Music"}) {
        renameRow(QStringLiteral("c.mp3"), QString::fromLatin1(taken));
        ASSERT_TRUE(eventually([&] { return QApplication::activeModalWidget() == nullptr; }));
        ASSERT_NE(row("c.mp3"), nullptr) << taken;
        // The offscreen platform gives the window back no focus by itself.
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        list->setFocus(Qt::OtherFocusReason);
    }
    installMessageBoxes(&boxes);
    EXPECT_EQ(answered, 2);
    EXPECT_TRUE(exists(root + "w/c.mp3"));
    struct stat info {};
    ASSERT_EQ(::stat((root + "w/a.wav").c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 1025);
    renameRow(QStringLiteral("c.mp3"), QStringLiteral("d.mp3"));
    EXPECT_NE(row("d.mp3"), nullptr);
    EXPECT_TRUE(exists(root + "w/d.mp3"));
}

TEST_F(DirListTest, DeleteMovesTheSelectedRowsToTheTrashAndNothingElse) {
    openFolderW();
    clickRow(QStringLiteral("a.wav"));
    clickRow(QStringLiteral("Music"), Qt::ControlModifier);
    boxes.answers = {BoxAnswer::Yes};
    QTest::keyClick(list, Qt::Key_Delete);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains(u'2'));
    const std::string trash = root + ".local/share/Trash/";
    EXPECT_TRUE(exists(trash + "files/a.wav"));
    EXPECT_TRUE(exists(trash + "files/Music"));
    EXPECT_TRUE(exists(trash + "info/a.wav.trashinfo"));
    EXPECT_TRUE(exists(trash + "info/Music.trashinfo"));
    EXPECT_EQ(row("a.wav"), nullptr);
    EXPECT_EQ(row("Music"), nullptr);
    for (const char* kept : {"B.WAV", "c.mp3", "empty.txt", ".hidden", "take.wav"}) {
        EXPECT_TRUE(exists(root + "w/" + kept)) << kept;
        EXPECT_NE(row(QString::fromUtf8(kept)), nullptr) << kept;
    }
}

TEST_F(DirListTest, DeclinedDeleteKeepsFilesAndRows) {
    openFolderW();
    clickRow(QStringLiteral("a.wav"));
    boxes.answers = {BoxAnswer::No};
    QTest::mouseClick(form->button(CDirForm::Delete), Qt::LeftButton);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(exists(root + "w/a.wav"));
    EXPECT_NE(row("a.wav"), nullptr);
}

TEST_F(DirListTest, EnterOpensOnlyASingleRowAndAFolderRowMovesTreeAndList) {
    openFolderW();
    makeFile("w/Music/song.mp3", 3);
    clickRow(QStringLiteral("a.wav"));
    clickRow(QStringLiteral("Music"), Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(doc->workingDirectory, root + "w/");
    clickRow(QStringLiteral("a.wav"), Qt::ControlModifier);  // Music alone stays selected
    ASSERT_EQ(list->selectedItems().size(), 1);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(doc->workingDirectory, root + "w/Music/");
    EXPECT_EQ(tree->itemPath(tree->currentItem()), root + "w/Music/");
    EXPECT_EQ(column(0), QStringList{QStringLiteral("song.mp3")});
}

TEST_F(DirListTest, DoubleClickOnAFolderRowWalksIntoIt) {
    openFolderW();
    QTreeWidgetItem* music = row(QStringLiteral("Music"));
    // As the window system delivers a double click: press, release, double click, release.
    const QPoint at(list->visualItemRect(music).left() + 20,
                    list->visualItemRect(music).center().y());
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    EXPECT_TRUE(eventually([&] { return doc->workingDirectory == root + "w/Music/"; }));
    EXPECT_EQ(list->topLevelItemCount(), 0);
}

TEST_F(DirListTest, DoubleClickOnAFileOpensItWithItsProgram) {
    makeFolder("o");
    makeFile("o/odd\xff name.mp3", 1);
    open(root + "o/");
    OpenedUrls opened;
    QTreeWidgetItem* file = list->topLevelItem(0);
    const QPoint at(list->visualItemRect(file).left() + 20,
                    list->visualItemRect(file).center().y());
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    ASSERT_EQ(opened.urls.size(), 1u);
    EXPECT_EQ(
        opened.urls[0].toEncoded(QUrl::FullyEncoded),
        "file://" + QByteArray::fromStdString(root).toPercentEncoding("/") + "o/odd%FF%20name.mp3");
    EXPECT_EQ(doc->workingDirectory, root + "o/");
}

TEST_F(DirListTest, CellTextsAndNamesReachAssistiveTechnology) {
    openFolderW();
    EXPECT_EQ(list->accessibleName(), QStringLiteral("PC files"));
    EXPECT_EQ(tree->accessibleName(), QStringLiteral("PC folders"));
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(list);
    ASSERT_NE(table, nullptr);
    ASSERT_NE(table->tableInterface(), nullptr);
    QTreeWidgetItem* wav = row(QStringLiteral("B.WAV"));
    const int index = list->indexOfTopLevelItem(wav);
    QAccessibleInterface* size = table->tableInterface()->cellAt(index, 1);
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(size->text(QAccessible::Name), QStringLiteral("1,206KB"));
}

TEST_F(DirListTest, TabGoesToTheTreeAndBack) {
    openFolderW();
    list->setFocus();
    EXPECT_TRUE(eventually([&] { return list->hasFocus(); }));
    QTest::keyClick(list, Qt::Key_Tab);
    EXPECT_TRUE(eventually([&] { return tree->hasFocus(); }));
    QTest::keyClick(tree, Qt::Key_Tab);
    EXPECT_TRUE(eventually([&] { return list->hasFocus(); }));
}

TEST_F(DirListTest, SelectionSummaryCountsRowsBlocksAndBytes) {
    makeFolder("s");
    makeFile("s/one", 1);
    makeFile("s/two", 32769);
    makeFolder("s/sub");
    open(root + "s/");
    doc->listing.freeBytes = 10 * 32768 + 100;
    clickRow(QStringLiteral("one"));
    clickRow(QStringLiteral("two"), Qt::ControlModifier);
    clickRow(QStringLiteral("sub"), Qt::ControlModifier);
    ASSERT_FALSE(frame->summaries.empty());
    const SelectionSummary& last = frame->summaries.back();
    EXPECT_EQ(last.kind, 1);
    EXPECT_EQ(last.rows, 3);
    EXPECT_EQ(last.neededBlocks, 3u);
    EXPECT_EQ(last.freeBlocks, 10u);
    EXPECT_EQ(last.bytes, 32770u);
    list->clearSelection();
    EXPECT_EQ(frame->messages.back().message, vox::messages::WM_STATUS_INFO);
    EXPECT_EQ(frame->messages.back().wParam, 0u);
    EXPECT_EQ(frame->messages.back().lParam, 0);
}

TEST_F(DirListTest, AFileFromTheRecorderReplacesItsOldRowAndGoesLast) {
    openFolderW();
    clickHeader(0);  // sorted by name: "a.wav" is near the top
    makeFile("w/a.wav", 4000);
    vox::rules::ListedFile file;
    file.longName = "a.wav";
    file.hasLongName = true;
    const int rows = list->topLevelItemCount();
    list->fileArrived(file);
    EXPECT_EQ(list->topLevelItemCount(), rows);
    EXPECT_EQ(column(0).count(QStringLiteral("a.wav")), 1);
    EXPECT_EQ(column(0).back(), QStringLiteral("a.wav"));
    EXPECT_EQ(column(1).back(), QStringLiteral("4KB"));

    vox::rules::ListedFile shortName;
    shortName.baseName = "VOICE01";
    shortName.extension = "DVF";
    makeFile("w/VOICE01.DVF", 10);
    list->fileArrived(shortName);
    EXPECT_EQ(column(0).back(), QStringLiteral("VOICE01.DVF"));
    EXPECT_EQ(list->topLevelItemCount(), rows + 1);
}

TEST_F(DirListTest, ANameThatIsNotTextIsShownAndStillRenamed) {
    makeFolder("b");
    makeFile("b/bad\xff.txt", 2);
    open(root + "b/");
    ASSERT_EQ(list->topLevelItemCount(), 1);
    QTreeWidgetItem* item = list->topLevelItem(0);
    EXPECT_TRUE(item->text(0).contains(QChar(0xfffd)));
    EXPECT_EQ(list->rowName(item), "bad\xff.txt");
    renameRow(item->text(0), QStringLiteral("good.txt"));
    EXPECT_TRUE(exists(root + "b/good.txt"));
    EXPECT_FALSE(exists(root + "b/bad\xff.txt"));
}

TEST_F(DirListTest, AFolderThatCannotBeListedGivesAnEmptyList) {
    openFolderW();
    const std::string gone = root + "no-such-folder/";
    EXPECT_EQ(list->send(vox::messages::WM_REFRESH_LIST, 0, reinterpret_cast<LParam>(gone.c_str())),
              1);
    EXPECT_EQ(list->topLevelItemCount(), 0);
}

}  // namespace
}  // namespace vox::app::testing

#include "dir_list_test.moc"
