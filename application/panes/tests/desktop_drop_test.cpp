// Files dropped from the desktop's file manager: only local files, and only
// on the recorder list, become a download of exactly those paths.

#include "application/panes/desktop_drop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <functional>

#include "application/core/tests/support/message_spy.h"
#include "application/panes/dir_panes.h"
#include "application/panes/tests/flash_pane_fixture.h"
#include "platform/messages/message_numbers.h"

namespace vox::app {
namespace {

using testing::MessageSpy;
using vox::panes::DroppedFiles;
namespace msg = vox::messages;

std::unique_ptr<QMimeData> urls(const QList<QUrl>& list) {
    auto data = std::make_unique<QMimeData>();
    data->setUrls(list);
    return data;
}

class DesktopDropTest : public testing::FlashPaneTest {
  protected:
    // What a drag from another program does to `widget`: enter, then drop
    // where the enter was taken. Returns whether the enter was taken.
    bool dropOn(QWidget* widget, const QMimeData& data,
                Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction,
                Qt::DropAction proposed = Qt::CopyAction) {
        const QPointF at = widget->rect().center();
        QDragEnterEvent enter(at.toPoint(), offered, &data, Qt::LeftButton, Qt::NoModifier);
        enter.setDropAction(proposed);
        QApplication::sendEvent(widget, &enter);
        // A real drag only reaches widgets that take drops at all.
        if (!widget->acceptDrops() || !enter.isAccepted()) return false;
        EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
        QDropEvent drop(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
        drop.setDropAction(proposed);
        QApplication::sendEvent(widget, &drop);
        takenAs = drop.dropAction();
        return drop.isAccepted();
    }

    Qt::DropAction takenAs = Qt::IgnoreAction;
};

TEST_F(DesktopDropTest, LocalFilesOnTheRecorderListAskForADownloadOfThosePaths) {
    std::vector<std::string> paths;
    int asked = 0;
    struct Look final : MessageObserver {
        std::function<void(Message, WParam, LParam)> look;
        void observe(Message m, WParam w, LParam l) override { look(m, w, l); }
    } look;
    look.look = [&](Message message, WParam wParam, LParam lParam) {
        if (message != msg::WM_DOWNLOAD_FILES) return;
        ++asked;
        ASSERT_EQ(wParam, vox::panes::kDroppedFiles);
        ASSERT_NE(lParam, 0);
        paths = reinterpret_cast<const DroppedFiles*>(lParam)->paths;
    };
    frame->addObserver(&look);
    const auto data = urls({QUrl::fromLocalFile(QStringLiteral("/home/u/Music/a b.mp3")),
                            QUrl(QStringLiteral("file://localhost/home/u/voice%231.wav")),
                            QUrl::fromLocalFile(QStringLiteral("/home/u/Gr\u00fc\u00dfe.wav"))});
    EXPECT_TRUE(dropOn(list->viewport(), *data));
    frame->removeObserver(&look);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(paths, (std::vector<std::string>{"/home/u/Music/a b.mp3", "/home/u/voice#1.wav",
                                               "/home/u/Gr\xc3\xbc\xc3\x9f"
                                               "e.wav"}));
}

// The file manager removes what it moved: the drop is only ever a copy.
TEST_F(DesktopDropTest, AMoveIsTakenAsACopyAndAMoveOnlyDragIsRefused) {
    MessageSpy spy(*frame);
    const auto data = urls({QUrl::fromLocalFile(QStringLiteral("/home/u/a.mp3"))});
    EXPECT_TRUE(dropOn(list->viewport(), *data, Qt::CopyAction | Qt::MoveAction, Qt::MoveAction));
    EXPECT_EQ(takenAs, Qt::CopyAction);
    EXPECT_EQ(spy.count(msg::WM_DOWNLOAD_FILES), 1);
    EXPECT_FALSE(dropOn(list->viewport(), *data, Qt::MoveAction, Qt::MoveAction));
    EXPECT_EQ(spy.count(msg::WM_DOWNLOAD_FILES), 1);
}

TEST_F(DesktopDropTest, AnythingButLocalFilesIsRefusedWhole) {
    MessageSpy spy(*frame);
    QMimeData text;
    text.setText(QStringLiteral("/home/u/a.mp3"));
    EXPECT_FALSE(dropOn(list->viewport(), text));
    EXPECT_FALSE(dropOn(list->viewport(), *urls({QUrl(QStringLiteral("https://x.org/a.mp3"))})));
    EXPECT_FALSE(
        dropOn(list->viewport(), *urls({QUrl::fromLocalFile(QStringLiteral("/home/u/a.mp3")),
                                        QUrl(QStringLiteral("sftp://host/home/u/b.mp3"))})));
    // Another machine's share, although its path would name a local file.
    EXPECT_FALSE(
        dropOn(list->viewport(), *urls({QUrl(QStringLiteral("file://server/home/u/a.mp3"))})));
    EXPECT_FALSE(dropOn(list->viewport(), *urls({})));
    EXPECT_EQ(spy.count(msg::WM_DOWNLOAD_FILES), 0);
}

TEST_F(DesktopDropTest, NoOtherPaneTakesFilesFromTheDesktop) {
    MessageSpy spy(*frame);
    const auto data = urls({QUrl::fromLocalFile(QStringLiteral("/home/u/a.mp3"))});
    CDirList* pcList = doc->dirList;
    for (QWidget* widget :
         {static_cast<QWidget*>(pcList), pcList->viewport(), static_cast<QWidget*>(doc->dirTree),
          static_cast<QWidget*>(tree), tree->viewport(), static_cast<QWidget*>(form),
          static_cast<QWidget*>(doc->dirForm), static_cast<QWidget*>(frame.get())})
        EXPECT_FALSE(dropOn(widget, *data)) << widget->metaObject()->className();
    EXPECT_EQ(spy.count(msg::WM_DOWNLOAD_FILES), 0);
    EXPECT_EQ(spy.count(msg::WM_UPLOAD_FILES), 0);
}

}  // namespace
}  // namespace vox::app
