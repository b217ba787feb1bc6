// The recorder form and tree: the buttons following the recorder and its
// firmware, the requests they send, and the folder choice.

#include <QLabel>

#include "application/core/profile.h"
#include "application/core/tests/support/gtest_wait.h"
#include "application/core/tests/support/message_spy.h"
#include "application/panes/system_icons.h"
#include "application/panes/tests/flash_pane_fixture.h"
#include "platform/messages/message_numbers.h"

namespace vox::app {
namespace {

using testing::FakeRecorderApi;
using testing::MessageSpy;
namespace msg = vox::messages;

class FlashFormTest : public testing::FlashPaneTest {
  protected:
    void script() override {
        FakeRecorderApi::listing.versionByte = firmware;
        FakeRecorderApi::addEntry("SONG    ", "MP3", 5000);
    }
    int firmware = 0x15;
};

TEST_F(FlashFormTest, ListedRecorderEnablesTheButtonsAndShowsTheVersion) {
    for (auto id :
         {CFlashForm::kDownload, CFlashForm::kUpload, CFlashForm::kFormat, CFlashForm::kDelete,
          CFlashForm::kPicture, CFlashForm::kListUp, CFlashForm::kListDown})
        EXPECT_TRUE(enabled(id)) << id;
    EXPECT_FALSE(enabled(CFlashForm::kCancel));
    EXPECT_TRUE(form->versionLabel()->isVisible());
    EXPECT_EQ(form->versionLabel()->text(), QStringLiteral("1.5"));
    EXPECT_EQ(form->rememberedState(), 1);
    EXPECT_EQ(form->button(CFlashForm::kDownload)->tooltipText(),
              QStringLiteral("Download (Alt+D)"));
    EXPECT_EQ(form->button(CFlashForm::kPicture)->tooltipText(), QStringLiteral("Recorder"));
    EXPECT_EQ(form->button(CFlashForm::kUpload)->frameSize().isEmpty(), false);
}

class OlderFirmwareTest : public FlashFormTest {
  protected:
    void script() override {
        firmware = 0x09;
        FlashFormTest::script();
    }
};

TEST_F(OlderFirmwareTest, ListUpAndDownNeedVersionOneZero) {
    EXPECT_TRUE(enabled(CFlashForm::kDownload));
    EXPECT_FALSE(enabled(CFlashForm::kListUp));
    EXPECT_FALSE(enabled(CFlashForm::kListDown));
    EXPECT_EQ(form->versionLabel()->text(), QStringLiteral("0.9"));
    // Enabling after an operation leaves them as they are.
    form->send(msg::WM_ENABLE_CONTROLS, 0, 0);
    form->send(msg::WM_ENABLE_CONTROLS, 1, 0);
    EXPECT_FALSE(enabled(CFlashForm::kListUp));

    // Another recorder, with the newer firmware, after this one went away.
    FakeRecorderApi::present = false;
    refresh();
    EXPECT_EQ(form->rememberedState(), 0);
    EXPECT_FALSE(form->versionLabel()->isVisible());
    FakeRecorderApi::present = true;
    FakeRecorderApi::listing.versionByte = 0x10;
    refresh();
    EXPECT_TRUE(enabled(CFlashForm::kListUp));
    EXPECT_TRUE(enabled(CFlashForm::kListDown));
    EXPECT_EQ(form->versionLabel()->text(), QStringLiteral("1.0"));
}

TEST_F(FlashFormTest, ControlsAreDisabledDuringAnOperation) {
    form->send(msg::WM_ENABLE_CONTROLS, 0, 0);
    EXPECT_FALSE(enabled(CFlashForm::kDownload));
    EXPECT_FALSE(enabled(CFlashForm::kFormat));
    EXPECT_FALSE(enabled(CFlashForm::kListUp));
    EXPECT_TRUE(enabled(CFlashForm::kCancel));
    EXPECT_FALSE(tree->isEnabled());

    QTest::mouseClick(form->button(CFlashForm::kCancel), Qt::LeftButton);
    EXPECT_EQ(doc->cancel(), 1);

    form->send(msg::WM_ENABLE_CONTROLS, 1, 0);
    EXPECT_TRUE(enabled(CFlashForm::kDelete));
    EXPECT_TRUE(enabled(CFlashForm::kListDown));
    EXPECT_FALSE(enabled(CFlashForm::kCancel));
    EXPECT_TRUE(tree->isEnabled());
}

TEST_F(FlashFormTest, ButtonsSendTheirRequests) {
    MessageSpy frameSpy(*frame);
    // The main window asks before it formats; the answer keeps the recorder.
    boxes.answers = {BoxAnswer::Cancel};
    QTest::mouseClick(form->button(CFlashForm::kDownload), Qt::LeftButton);
    QTest::mouseClick(form->button(CFlashForm::kUpload), Qt::LeftButton);
    QTest::mouseClick(form->button(CFlashForm::kListUp), Qt::LeftButton);
    QTest::mouseClick(form->button(CFlashForm::kListDown), Qt::LeftButton);
    QTest::mouseClick(form->button(CFlashForm::kFormat), Qt::LeftButton);
    QTest::mouseClick(form->button(CFlashForm::kPicture), Qt::LeftButton);
    std::vector<std::pair<Message, WParam>> requests;
    for (const auto& seen : frameSpy.seen) requests.emplace_back(seen.message, seen.wParam);
    EXPECT_EQ(requests, (std::vector<std::pair<Message, WParam>>{{msg::WM_DOWNLOAD_FILES, 0},
                                                                 {msg::WM_UPLOAD_FILES, 0},
                                                                 {msg::WM_MOVE_FILE, 1},
                                                                 {msg::WM_MOVE_FILE, 0},
                                                                 {msg::WM_FORMAT_DEVICE, 0}}));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(
        boxes.shown[0].text,
        QStringLiteral("All data of the recorder will be deleted.\nDo you want to continue ?\n"));
}

TEST_F(FlashFormTest, FormatIsRefusedWhileAWorkerRuns) {
    MessageSpy frameSpy(*frame);
    doc->work.begin(Work::Delete);
    QTest::mouseClick(form->button(CFlashForm::kFormat), Qt::LeftButton);
    doc->work.end(Work::Delete);
    EXPECT_EQ(frameSpy.count(msg::WM_FORMAT_DEVICE), 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Uploading/Downloading/Formating Now!!!"));
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Stop);
}

TEST_F(FlashFormTest, TreeHasTheFixedFoldersAndTheirNames) {
    EXPECT_EQ(tree->item(CFlashTree::Root)->text(0), QStringLiteral("MP3 Voice Recorder"));
    EXPECT_EQ(tree->item(CFlashTree::Voice)->parent(), tree->item(CFlashTree::Root));
    EXPECT_EQ(tree->item(CFlashTree::B)->parent(), tree->item(CFlashTree::Voice));
    EXPECT_EQ(tree->item(CFlashTree::Hd)->parent(), tree->item(CFlashTree::Root));
    EXPECT_EQ(tree->item(CFlashTree::Root)->childCount(), 3);
    EXPECT_TRUE(tree->item(CFlashTree::Root)->isExpanded());
    EXPECT_TRUE(tree->item(CFlashTree::Voice)->isExpanded());
    EXPECT_EQ(tree->currentItem(), tree->item(CFlashTree::Mp3));
    EXPECT_STREQ(doc->folderNames[0], "A       ");
    EXPECT_STREQ(doc->folderNames[4], "HD      ");
    EXPECT_EQ(tree->imageList()[1].cacheKey(),
              vox::panes::SystemIcons::icon(vox::panes::SystemIcons::kClosedFolderIcon).cacheKey());
    EXPECT_EQ(tree->folderOf(nullptr), 3);
}

TEST_F(FlashFormTest, ChoosingAFolderListsItAndVoiceRelistsTheCurrentOne) {
    clickItem(tree->item(CFlashTree::B));
    EXPECT_EQ(doc->currentFolder, 1);
    EXPECT_EQ(FakeRecorderApi::lastFolder, "B       ");
    const int before = FakeRecorderApi::refreshes;
    clickItem(tree->item(CFlashTree::Voice));
    EXPECT_EQ(FakeRecorderApi::refreshes, before + 1);
    EXPECT_EQ(FakeRecorderApi::lastFolder, "B       ");
    EXPECT_EQ(doc->currentFolder, 1);
    // The tree goes back to the folder the list shows.
    EXPECT_EQ(tree->currentItem(), tree->item(CFlashTree::B));
    clickItem(tree->item(CFlashTree::Root));
    EXPECT_EQ(FakeRecorderApi::refreshes, before + 2);
    EXPECT_EQ(list->topLevelItemCount(), 1);
}

TEST_F(FlashFormTest, ChoosingAFolderWhileBusyKeepsTheListing) {
    FakeRecorderApi::busy = 1;
    const int before = FakeRecorderApi::refreshes;
    clickItem(tree->item(CFlashTree::A));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Uploading/Downloading/Formating Now!!!"));
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Stop);
    EXPECT_EQ(FakeRecorderApi::refreshes, before);
    EXPECT_EQ(doc->currentFolder, 3);
    EXPECT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(tree->currentItem(), tree->item(CFlashTree::Mp3));
}

TEST(FlashTreeStart, StoredFolderIsReadButNotApplied) {
    writeInt(setting::WorkingFlashFolder, 1);
    FakeRecorderApi::reset(true);
    testing::RecordingMessageBoxes boxes;
    CPelmarchDoc doc(FakeRecorderApi::api());
    CMainFrame frame(doc);
    EXPECT_EQ(doc.flashTree->storedFolder(), 1);
    EXPECT_EQ(doc.currentFolder, -1);
    frame.show();
    VOX_TRY_COMPARE_WITH_TIMEOUT(doc.currentFolder, 3, 2000);
    writeInt(setting::WorkingFlashFolder, -1);
}

}  // namespace
}  // namespace vox::app
