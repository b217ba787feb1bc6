// The PC list's keys: Enter opens a file with the desktop's program (as a
// double click does), Backspace and Alt+Up go up a folder, Ctrl+A selects
// every row.

#include <QDesktopServices>
#include <QUrl>

#include "application/panes/tests/pc_pane_fixture.h"

namespace vox::app::testing {
namespace {

// Stands in for the desktop's registered programs: the URLs it was asked to
// open.
class DesktopOpener final : public QObject {
    Q_OBJECT
  public:
    DesktopOpener() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~DesktopOpener() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> opened;

  public slots:
    void open(const QUrl& url) { opened.append(url); }
};

class PcKeysTest : public PcPaneTest {
  protected:
    void SetUp() override {
        PcPaneTest::SetUp();
        makeFolder("Documents/notes");
        makeFile("Documents/talk.mp3", 100);
        open(root + "Documents/");
        list->setFocus();
        ASSERT_TRUE(eventually([&] { return list->hasFocus() && row("talk.mp3"); }));
    }
    void press(int key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(list, static_cast<Qt::Key>(key), modifiers);
    }
};

TEST_F(PcKeysTest, EnterOpensTheSelectedFileWithTheDesktopsProgram) {
    DesktopOpener desktop;
    clickRow(QStringLiteral("talk.mp3"));
    press(Qt::Key_Return);
    ASSERT_EQ(desktop.opened.size(), 1);
    EXPECT_EQ(desktop.opened[0], QUrl::fromLocalFile(QString::fromStdString(root) +
                                                     QStringLiteral("Documents/talk.mp3")));
    // Enter on a folder walks into it instead.
    clickRow(QStringLiteral("notes"));
    press(Qt::Key_Enter);
    EXPECT_TRUE(eventually([&] { return doc->workingDirectory == root + "Documents/notes/"; }));
    EXPECT_EQ(desktop.opened.size(), 1);
}

TEST_F(PcKeysTest, BackspaceAndAltUpGoUpAFolder) {
    press(Qt::Key_Backspace);
    EXPECT_TRUE(eventually([&] { return doc->workingDirectory == root; }));
    // Alt+Up goes up; Up alone only moves in the list.
    list->setFocus();
    press(Qt::Key_Up);
    EXPECT_EQ(doc->workingDirectory, root);
    press(Qt::Key_Up, Qt::AltModifier);
    const std::string parent =
        QFile::encodeName(QDir(QString::fromStdString(root)).absoluteFilePath(QStringLiteral("..")))
            .toStdString();
    EXPECT_TRUE(eventually([&] {
        return doc->workingDirectory ==
               QFile::encodeName(QDir::cleanPath(QString::fromStdString(parent))).toStdString() +
                   "/";
    })) << doc->workingDirectory;
}

TEST_F(PcKeysTest, BackspaceAtTheRootStaysThere) {
    tree->selectPath("/");
    ASSERT_EQ(doc->workingDirectory, "/");
    list->setFocus();
    press(Qt::Key_Backspace);
    EXPECT_EQ(doc->workingDirectory, "/");
}

TEST_F(PcKeysTest, ControlASelectsEveryRow) {
    clickRow(QStringLiteral("talk.mp3"));
    press(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(list->selectedItems().size(), list->topLevelItemCount());
    EXPECT_EQ(list->topLevelItemCount(), 2);
}

}  // namespace
}  // namespace vox::app::testing

#include "pc_keys_test.moc"
