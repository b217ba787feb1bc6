// Start-up and the settings: where the window opens, the single-instance
// rule, the language pack, the layout kept between runs and what a close
// request writes.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QSplitterHandle>
#include <QStatusBar>
#include <QStyle>
#include <QTest>
#include <QToolBar>

#include "application/core/fixed_splitter.h"
#include "application/core/main_frame.h"
#include "application/core/pelmarch_app.h"
#include "application/core/pelmarch_doc.h"
#include "application/core/profile.h"
#include "application/core/resource_pack.h"
#include "application/core/tests/support/fake_recorder_api.h"
#include "application/core/tests/support/gtest_wait.h"
#include "application/core/tests/support/recording_message_boxes.h"
#include "application/core/window_placement.h"
#include "application/resources/resources.h"

namespace vox::app {
namespace {

using testing::FakeRecorderApi;
using testing::RecordingMessageBoxes;

StartupEnvironment testEnvironment(int userLanguage = 0x0409) {
    StartupEnvironment environment;
    environment.userUiLanguage = [userLanguage] { return userLanguage; };
    environment.ansiCodePage = [] { return 65001; };
    environment.packFolders = {QStringLiteral(VOX_TEST_PACKS)};
    environment.deviceApi = FakeRecorderApi::api();
    return environment;
}

QRect workArea() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QCoreApplication::setOrganizationName(QStringLiteral("Tevra Media"));
        QCoreApplication::setApplicationName(QStringLiteral("Voxerin"));
        QSettings().clear();
        FakeRecorderApi::reset(false);
    }
    void TearDown() override { QSettings().clear(); }

    void store(const IntSetting& value, int number) { writeInt(value, number); }

    RecordingMessageBoxes boxes;
};

TEST_F(StartupTest, FirstRunOpensAtTheWorkAreaPlusTheDefaults) {
    CPelmarchApp app(testEnvironment());
    ASSERT_TRUE(app.initInstance());
    const QRect geometry = app.mainFrame()->geometry();
    EXPECT_EQ(geometry.topLeft(), workArea().topLeft() + QPoint(135, 148));
    EXPECT_EQ(geometry.size(), QSize(630, 484));
    EXPECT_TRUE(app.mainFrame()->isVisible());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(WindowPlacement, FarOffPositionsArePulledBackOnScreen) {
    const StoredPlacement far{1, 5000, 9000, 5484, 9630};
    const QRect geometry =
        initialGeometry(far, QRect(0, 30, 1024, 738), QSize(1024, 768), QSize(32, 32));
    EXPECT_EQ(geometry.topLeft(), QPoint(1024 - 32, 768 - 32));
    EXPECT_EQ(geometry.size(), QSize(630, 484));
    const QRect near = initialGeometry({1, 10, 20, 110, 220}, QRect(0, 30, 1024, 738),
                                       QSize(1024, 768), QSize(32, 32));
    EXPECT_EQ(near, QRect(20, 40, 200, 100));
}

TEST_F(StartupTest, SavedFarOffPositionStillShowsTheWindowCorner) {
    store(setting::Left, 20000);
    store(setting::Right, 20630);
    store(setting::Top, 15000);
    store(setting::Bottom, 15484);
    CPelmarchApp app(testEnvironment());
    ASSERT_TRUE(app.initInstance());
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    const int icon = app.mainFrame()->style()->pixelMetric(QStyle::PM_LargeIconSize);
    EXPECT_EQ(app.mainFrame()->geometry().topLeft(),
              QPoint(screen.width() - icon, screen.height() - icon));
}

TEST_F(StartupTest, PlacementIsStoredRelativeToTheWorkAreaAtClose) {
    CPelmarchApp app(testEnvironment());
    ASSERT_TRUE(app.initInstance());
    app.mainFrame()->setGeometry(QRect(workArea().topLeft() + QPoint(40, 60), QSize(700, 500)));
    ASSERT_TRUE(app.mainFrame()->close());
    EXPECT_EQ(readInt(setting::Left), 40);
    EXPECT_EQ(readInt(setting::Top), 60);
    EXPECT_EQ(readInt(setting::Right), 740);
    EXPECT_EQ(readInt(setting::Bottom), 560);
    EXPECT_EQ(readInt(setting::Status), 1);
}

TEST_F(StartupTest, ASavedMaximizedWindowOpensMaximizedAndIsStoredSoAgain) {
    store(setting::Status, kShowMaximized);
    CPelmarchApp app(testEnvironment());
    ASSERT_TRUE(app.initInstance());
    VOX_TRY_VERIFY_WITH_TIMEOUT(app.mainFrame()->isMaximized(), 2000);
    ASSERT_TRUE(app.mainFrame()->close());
    EXPECT_EQ(readInt(setting::Status), kShowMaximized);
}

TEST_F(StartupTest, LanguagePackFollowsTheUserLanguage) {
    {
        CPelmarchApp english(testEnvironment(0x0409));
        ASSERT_TRUE(english.initInstance());
        EXPECT_TRUE(english.resourcePack().endsWith(QStringLiteral("Vxrs1252.rcc")));
        EXPECT_EQ(vox::res::text(QStringLiteral("version_band")),
                  QStringLiteral("Voxerin Ver 1.02 (1252)"));
        // Entries the pack lacks come from the built-in table.
        EXPECT_EQ(vox::res::text(QStringLiteral("busy")),
                  QStringLiteral("Uploading/Downloading/Formating Now!!!"));
    }
    EXPECT_FALSE(vox::res::packLoaded());
    CPelmarchApp british(testEnvironment(0x0809));
    ASSERT_TRUE(british.initInstance());
    EXPECT_TRUE(british.resourcePack().endsWith(QStringLiteral("Vxrs65001.rcc")));
    EXPECT_EQ(vox::res::text(QStringLiteral("version_band")),
              QStringLiteral("Voxerin Ver 1.02 (65001)"));
}

TEST(ResourcePack, CodePageOfTheLanguage) {
    EXPECT_EQ(packCodePage(0x0409, 65001), 1252);
    EXPECT_EQ(packCodePage(0x0411, 65001), 932);
    EXPECT_EQ(packCodePage(0x0412, 65001), 949);
    EXPECT_EQ(packCodePage(0x0809, 1250), 1250);
    EXPECT_EQ(packCodePage(0x0811, 65001), 65001);
    EXPECT_EQ(packCodePage(0, 936), 936);
    EXPECT_EQ(packFileName(1252), QStringLiteral("Vxrs1252.rcc"));
    EXPECT_EQ(languageIdOfTag(QStringLiteral("en-GB")), 0x0809);
    EXPECT_EQ(languageIdOfTag(QStringLiteral("xx-YY")), 0);
}

TEST_F(StartupTest, MissingPackKeepsTheBuiltInResources) {
    StartupEnvironment environment = testEnvironment(0x0412);
    CPelmarchApp app(environment);
    ASSERT_TRUE(app.initInstance());
    EXPECT_TRUE(app.resourcePack().isEmpty());
    EXPECT_EQ(vox::res::text(QStringLiteral("version_band")), QStringLiteral("Voxerin Ver 1.02"));
}

TEST_F(StartupTest, SecondInstanceSaysRunningAndLeavesTheFirstAlone) {
    CPelmarchApp first(testEnvironment());
    ASSERT_TRUE(first.initInstance());
    const QRect firstGeometry = first.mainFrame()->geometry();

    CPelmarchApp second(testEnvironment());
    EXPECT_FALSE(second.initInstance());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Running..."));
    EXPECT_EQ(boxes.shown[0].buttons, BoxButtons::Ok);
    EXPECT_EQ(second.mainFrame(), nullptr);
    EXPECT_TRUE(QSettings().allKeys().isEmpty());

    EXPECT_TRUE(first.mainFrame()->isVisible());
    EXPECT_EQ(first.mainFrame()->geometry(), firstGeometry);
    CPelmarchApp third(testEnvironment());
    EXPECT_FALSE(third.initInstance());  // the first still holds the lock
}

TEST_F(StartupTest, CloseWhileBusyWritesEverySettingThenIsRefused) {
    CPelmarchApp app(testEnvironment());
    ASSERT_TRUE(app.initInstance());
    app.document()->work.setBusy(true);
    app.document()->workingDirectory = "/home/user/voice/";
    app.document()->currentFolder = 2;
    EXPECT_FALSE(app.mainFrame()->close());
    EXPECT_TRUE(app.mainFrame()->isVisible());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Uploading/Downloading/Formating Now!!!"));
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Stop);

    QSettings settings;
    QStringList keys = settings.allKeys();
    keys.sort();
    EXPECT_EQ(keys, (QStringList{"UserForms/Bottom",
                                 "UserForms/DToolBar",
                                 "UserForms/DToolBarMin",
                                 "UserForms/DirSplit",
                                 "UserForms/DirSplitMin",
                                 "UserForms/FToolBar",
                                 "UserForms/FToolBarMin",
                                 "UserForms/FlashSplit",
                                 "UserForms/FlashSplitMin",
                                 "UserForms/FrameSplit",
                                 "UserForms/FrameSplitMin",
                                 "UserForms/Left",
                                 "UserForms/MemBarWidth",
                                 "UserForms/Right",
                                 "UserForms/Status",
                                 "UserForms/Top",
                                 "UserSettings/CB_Filter",
                                 "UserSettings/CB_Quality",
                                 "UserSettings/SortCol",
                                 "UserSettings/WorkingDirectory",
                                 "UserSettings/WorkingFlashFolder"}));
    EXPECT_EQ(readText(setting::WorkingDirectory), QStringLiteral("/home/user/voice/"));
    EXPECT_EQ(readInt(setting::WorkingFlashFolder), 2);
    EXPECT_EQ(readInt(setting::CB_Quality), 0);
    EXPECT_EQ(readText(setting::CB_Filter), QStringLiteral("*"));
    EXPECT_EQ(readInt(setting::SortCol), -3);  // the PC list's first-start order

    app.document()->work.setBusy(false);
    EXPECT_TRUE(app.mainFrame()->close());
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(StartupTest, MemBarWidthIsWrittenButNeverApplied) {
    store(setting::MemBarWidth, 333);
    CPelmarchApp app(testEnvironment());
    ASSERT_TRUE(app.initInstance());
    CMainFrame& frame = *app.mainFrame();
    EXPECT_EQ(frame.statusPane(1)->width(), 70);
    EXPECT_EQ(frame.statusPane(2)->width(), 200);
    EXPECT_GE(frame.statusPane(0)->width(), 100);
    ASSERT_TRUE(frame.close());
    EXPECT_EQ(readInt(setting::MemBarWidth), 70);
}

TEST_F(StartupTest, SplitterSizesComeFromTheSettingsAndGoBack) {
    store(setting::FrameSplit, 180);
    store(setting::FrameSplitMin, 60);
    store(setting::DirSplit, 240);
    store(setting::DirSplitMin, 70);
    store(setting::FlashSplit, 150);
    store(setting::DToolBar, 48);
    store(setting::FToolBarMin, 41);
    CPelmarchApp app(testEnvironment());
    ASSERT_TRUE(app.initInstance());
    CMainFrame& frame = *app.mainFrame();
    QApplication::processEvents();
    EXPECT_EQ(frame.outerSplitter()->sizes().value(0), 180);
    EXPECT_EQ(frame.pcSplitter()->sizes().value(0), 240);
    EXPECT_EQ(frame.recorderSplitter()->sizes().value(0), 150);
    EXPECT_EQ(frame.pcSide()->sizes().value(0), 48);
    EXPECT_EQ(frame.recorderSide()->sizes().value(0), 43);
    EXPECT_EQ(frame.pcSplitter()->widget(0)->minimumWidth(), 70);
    EXPECT_EQ(frame.outerSplitter()->widget(0)->minimumHeight(), 60);

    // A wider window gives the room to the lists, not the trees.
    frame.resize(900, 700);
    QApplication::processEvents();
    EXPECT_EQ(frame.pcSplitter()->sizes().value(0), 240);
    ASSERT_TRUE(frame.close());
    EXPECT_EQ(readInt(setting::FrameSplit), 180);
    EXPECT_EQ(readInt(setting::FrameSplitMin), 60);
    EXPECT_EQ(readInt(setting::DirSplit), 240);
    EXPECT_EQ(readInt(setting::DirSplitMin), 70);
    EXPECT_EQ(readInt(setting::DToolBar), 48);
    EXPECT_EQ(readInt(setting::FToolBarMin), 41);
}

TEST_F(StartupTest, MainWindowParts) {
    CPelmarchApp app(testEnvironment(0x0412));
    ASSERT_TRUE(app.initInstance());
    CMainFrame& frame = *app.mainFrame();
    // The PC pane has listed the home folder: no folder was kept.
    EXPECT_EQ(frame.windowTitle(),
              QDir::cleanPath(QDir::homePath()) + QStringLiteral(" - Voxerin"));
    EXPECT_EQ(frame.menuWidget(), nullptr);
    const auto labels = frame.band()->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0]->text(), QStringLiteral("Voxerin Ver 1.02"));
    EXPECT_TRUE(frame.band()->isMovable());
    EXPECT_EQ(frame.statusPane(0)->text(), QStringLiteral("Ready"));

    EXPECT_EQ(app.platformClass(), 5);
    EXPECT_EQ(app.shellText(kShellName), QStringLiteral("Name"));
    EXPECT_EQ(app.shellText(kShellDate), QStringLiteral("Date"));
    EXPECT_EQ(app.shellText(kShellNewFolder), QStringLiteral("New Folder"));
    const DocTemplate& doc = app.docTemplate();
    EXPECT_EQ(doc.windowTitle, QStringLiteral("Voxerin"));
    EXPECT_EQ(doc.newFileName, QStringLiteral("Pelmar"));
    EXPECT_EQ(doc.fileTypeId, QStringLiteral("Voxerin.Document"));
    EXPECT_EQ(doc.fileTypeName, QStringLiteral("Pelmar Document"));
    EXPECT_TRUE(doc.documentName.isEmpty());

    // Every pane registered itself in the document.
    const CPelmarchDoc& document = *app.document();
    EXPECT_TRUE(document.dirForm && document.dirTree && document.dirList);
    EXPECT_TRUE(document.flashForm && document.flashTree && document.flashList);
}

TEST(FixedSplitter, IgnoresDragsOnItsBarButStillLaysOut) {
    QWidget window;
    window.resize(300, 400);
    CFixedSplitter fixed(Qt::Vertical, &window);
    QSplitter normal(Qt::Vertical, &window);
    for (QSplitter* splitter : {static_cast<QSplitter*>(&fixed), &normal}) {
        splitter->addWidget(new QWidget);
        splitter->addWidget(new QWidget);
        splitter->resize(300, 400);
        splitter->setSizes({50, 350});
    }
    window.show();
    QApplication::processEvents();
    const int handleSize = fixed.handleWidth();

    for (QSplitter* splitter : {static_cast<QSplitter*>(&fixed), &normal}) {
        QSplitterHandle* handle = splitter->handle(1);
        QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(5, 1));
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 101), handle->mapToGlobal(QPointF(5, 101)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(handle, &move);
        QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(5, 101));
    }
    EXPECT_EQ(fixed.sizes().value(0), 50);
    EXPECT_GT(normal.sizes().value(0), 50);  // the same drag moves a normal bar
    EXPECT_EQ(fixed.handle(1)->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(normal.handle(1)->cursor().shape(), Qt::SplitVCursor);

    fixed.resize(300, 600);
    QApplication::processEvents();
    EXPECT_EQ(fixed.sizes().value(0) + fixed.sizes().value(1) + handleSize, 600);
}

}  // namespace
}  // namespace vox::app
