// The PC tree: its roots, the start-up folder, lazy reading of folders,
// path selection, selections that cannot be the working directory, link
// loops, and volumes that are unmounted under the working directory.

#include <unistd.h>

#include <fstream>

#include "application/core/mount_watcher.h"
#include "application/panes/tests/pc_pane_fixture.h"

namespace vox::app::testing {
namespace {

class DirTreeTest : public PcPaneTest {};

TEST_F(DirTreeTest, WithoutAKeptFolderItOpensTheHomeFolder) {
    open();
    EXPECT_EQ(doc->workingDirectory, root);
    EXPECT_EQ(tree->itemPath(tree->currentItem()), root);
    EXPECT_EQ(column(0).size(), 3);  // Desktop, Documents, vol
    EXPECT_EQ(doc->title(), root.substr(0, root.size() - 1));
}

TEST_F(DirTreeTest, AKeptFolderThatIsGoneFallsBackToTheRoot) {
    open(root + "gone/");
    EXPECT_EQ(doc->workingDirectory, "/");
}

TEST_F(DirTreeTest, RootsAreDesktopDocumentsAndComputerWithTheDrives) {
    open(root + "Documents/");
    ASSERT_EQ(tree->topLevelItemCount(), 3);
    EXPECT_EQ(tree->topLevelItem(0), tree->desktopItem());
    EXPECT_EQ(tree->itemPath(tree->desktopItem()), root + "Desktop/");
    EXPECT_EQ(tree->itemPath(tree->documentsItem()), root + "Documents/");
    EXPECT_EQ(tree->itemPath(tree->computerItem()), "");
    EXPECT_EQ(tree->driveStrings(), (std::vector<std::string>{"/", root + "vol/"}));
    EXPECT_EQ(tree->computerItem()->child(1)->text(0), QStringLiteral("vol"));
    // Unexpanded items show an expand button through one empty child.
    ASSERT_EQ(tree->desktopItem()->childCount(), 1);
    EXPECT_TRUE(tree->desktopItem()->child(0)->text(0).isEmpty());
}

TEST_F(DirTreeTest, ExpandingReadsOneLevelSortedAndCollapsingForgetsIt) {
    makeFolder("Desktop/zeta/deeper");
    makeFolder("Desktop/Alpha");
    makeFolder("Desktop/beta");
    makeFile("Desktop/file.txt", 1);
    open(root + "Documents/");
    tree->expandItem(tree->desktopItem());
    QTreeWidgetItem* desktop = tree->desktopItem();
    ASSERT_EQ(desktop->childCount(), 3);
    EXPECT_EQ(desktop->child(0)->text(0), QStringLiteral("Alpha"));
    EXPECT_EQ(desktop->child(2)->text(0), QStringLiteral("zeta"));
    EXPECT_EQ(desktop->child(2)->childCount(), 1);  // the placeholder only
    EXPECT_EQ(tree->itemPath(desktop->child(2)), root + "Desktop/zeta/");
    tree->collapseItem(desktop);
    EXPECT_EQ(desktop->childCount(), 1);
    EXPECT_EQ(doc->workingDirectory, root + "Documents/");
}

TEST_F(DirTreeTest, PathSelectionCutsBackToAnExistingFolder) {
    makeFolder("x/y");
    open(root + "x/y/");
    tree->selectPath(root + "x/y/missing/deeper/");
    EXPECT_EQ(doc->workingDirectory, root + "x/y/");
    tree->selectPath(root + "x/");
    EXPECT_EQ(doc->workingDirectory, root + "x/");
    EXPECT_EQ(tree->itemPath(tree->currentItem()), root + "x/");
}

TEST_F(DirTreeTest, AFolderMadeAfterItsParentWasReadIsFoundByReadingAgain) {
    makeFolder("r");
    open(root + "r/");
    makeFolder("r/later");
    tree->selectPath(root + "r/later/");
    EXPECT_EQ(doc->workingDirectory, root + "r/later/");
}

TEST_F(DirTreeTest, MyComputerAndVanishedFoldersGiveTheSelectionBack) {
    makeFolder("k/sub");
    makeFile("k/file", 1);
    open(root + "k/");
    const QStringList before = {list->topLevelItem(0)->text(0), list->topLevelItem(1)->text(0)};
    tree->scrollToItem(tree->computerItem());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      tree->visualItemRect(tree->computerItem()).center());
    EXPECT_EQ(doc->workingDirectory, root + "k/");
    EXPECT_EQ(tree->itemPath(tree->currentItem()), root + "k/");
    EXPECT_EQ(list->topLevelItemCount(), 2);

    QTreeWidgetItem* sub = tree->currentItem()->child(0);
    ASSERT_EQ(sub->text(0), QStringLiteral("sub"));
    ASSERT_EQ(::rmdir((root + "k/sub").c_str()), 0);
    tree->setCurrentItem(sub);
    EXPECT_EQ(doc->workingDirectory, root + "k/");
    EXPECT_EQ(tree->itemPath(tree->currentItem()), root + "k/");
}

TEST_F(DirTreeTest, UpFolderGoesToTheParentButNotPastTheRoot) {
    makeFolder("u/v");
    open(root + "u/v/");
    QTest::mouseClick(form->button(CDirForm::UpFolder), Qt::LeftButton);
    EXPECT_EQ(doc->workingDirectory, root + "u/");
    tree->selectPath("/");
    ASSERT_EQ(doc->workingDirectory, "/");
    QTest::mouseClick(form->button(CDirForm::UpFolder), Qt::LeftButton);
    EXPECT_EQ(doc->workingDirectory, "/");
    EXPECT_EQ(tree->itemPath(tree->currentItem()), "/");
}

TEST_F(DirTreeTest, ALinkLoopNeverHangsTheTree) {
    makeFolder("loop");
    ASSERT_EQ(::symlink("..", (root + "loop/back").c_str()), 0);
    open(root + "loop/");
    const std::string deep = root + "loop/back/loop/back/loop/back/loop/";
    tree->selectPath(deep);
    EXPECT_EQ(doc->workingDirectory, deep);
    for (int level = 0; level < 20; ++level) {
        QTreeWidgetItem* item = tree->currentItem();
        tree->expandItem(item);
        const QString next = level % 2 == 0 ? QStringLiteral("back") : QStringLiteral("loop");
        QTreeWidgetItem* child = nullptr;
        for (int i = 0; i < item->childCount(); ++i)
            if (item->child(i)->text(0) == next) child = item->child(i);
        ASSERT_NE(child, nullptr) << level;
        tree->setCurrentItem(child);
    }
    EXPECT_TRUE(doc->workingDirectory.starts_with(deep));
}

TEST_F(DirTreeTest, UnmountingTheWorkingVolumeMovesToMyDocuments) {
    makeFolder("vol/music");
    open(root + "vol/music/");
    ASSERT_EQ(doc->workingDirectory, root + "vol/music/");
    const std::string table = root + "mounts";
    const std::string mounted = "/dev/sda1 / ext4 rw 0 0\n/dev/sdz1 " + root + "vol ext4 rw 0 0\n";
    std::ofstream(table) << mounted;
    MountWatcher watcher(
        [this](const MediaChange& change) {
            tree->postText(vox::messages::WM_MEDIA_CHANGED, change.arrival ? 3000 : 500,
                           change.root);
        },
        table);
    ASSERT_TRUE(watcher.watching());
    std::ofstream(table) << "/dev/sda1 / ext4 rw 0 0\n";
    drives.pop_back();
    watcher.tableChanged();
    ASSERT_TRUE(eventually([&] { return doc->workingDirectory == root + "Documents/"; }));
    EXPECT_EQ(tree->itemPath(tree->currentItem()), root + "Documents/");
    EXPECT_EQ(tree->driveStrings(), std::vector<std::string>{"/"});
    EXPECT_EQ(tree->computerItem()->childCount(), 1);

    // Mounted again: the drive comes back at the end of My Computer.
    drives.push_back({root + "vol/", QStringLiteral("vol")});
    std::ofstream(table) << mounted;
    watcher.tableChanged();
    ASSERT_TRUE(eventually([&] { return tree->computerItem()->childCount() == 2; }));
    EXPECT_EQ(tree->driveStrings().back(), root + "vol/");
    EXPECT_EQ(doc->workingDirectory, root + "Documents/");
}

}  // namespace
}  // namespace vox::app::testing
