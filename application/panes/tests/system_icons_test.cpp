// The shared file icons: counted users, fixed entries, one index per type.

#include "application/panes/system_icons.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>

namespace vox::panes {
namespace {

TEST(SystemIcons, UsersShareOneListThatOutlivesThem) {
    const int before = SystemIcons::users();
    SystemIcons::acquire();
    SystemIcons::acquire();
    EXPECT_EQ(SystemIcons::users(), before + 2);
    const std::size_t size = SystemIcons::list().size();
    EXPECT_GE(size, 5u);
    SystemIcons::release();
    SystemIcons::release();
    EXPECT_EQ(SystemIcons::users(), before);
    EXPECT_EQ(SystemIcons::list().size(), size);
    SystemIcons::release();  // more releases than users leave the count at zero
    EXPECT_EQ(SystemIcons::users(), std::max(before - 1, 0));
}

TEST(SystemIcons, OneIndexPerFileTypeAndFoldersShareTheirs) {
    const int mp3 = SystemIcons::indexOfExtension(QStringLiteral(".mp3"));
    EXPECT_EQ(SystemIcons::indexOfExtension(QStringLiteral(".MP3")), mp3);
    EXPECT_EQ(SystemIcons::indexOf(QFileInfo(QStringLiteral("/nowhere/song.mp3"))), mp3);
    EXPECT_GE(mp3, 0);
    EXPECT_LT(mp3, static_cast<int>(SystemIcons::list().size()));

    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    EXPECT_EQ(SystemIcons::indexOf(QFileInfo(folder.path())), SystemIcons::kClosedFolderIcon);
    EXPECT_TRUE(SystemIcons::icon(-1).isNull());
    EXPECT_TRUE(SystemIcons::icon(100000).isNull());
    EXPECT_EQ(SystemIcons::iconSize(SystemIcons::Kind::Small), QSize(16, 16));
}

}  // namespace
}  // namespace vox::panes
