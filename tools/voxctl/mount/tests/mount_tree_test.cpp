// Paths of the mount and the recorder folders they lie in.

#include "tools/voxctl/mount/mount_tree.h"

#include <gtest/gtest.h>

namespace vox::voxctl::mount {
namespace {

using Kind = TreePlace::Kind;

TEST(MountTreeTest, PathsLieInTheFoldersTheProgramShows) {
    EXPECT_EQ(placeOf("/").kind, Kind::Root);
    EXPECT_EQ(placeOf("/Voice").kind, Kind::VoiceGroup);
    EXPECT_EQ(placeOf("/Voice/").kind, Kind::VoiceGroup);

    const TreePlace b = placeOf("/Voice/B");
    EXPECT_EQ(b.kind, Kind::Folder);
    EXPECT_EQ(b.folder, rules::RecorderFolder::B);
    const TreePlace song = placeOf("/MP3/Morning walk.mp3");
    EXPECT_EQ(song.kind, Kind::Entry);
    EXPECT_EQ(song.folder, rules::RecorderFolder::Mp3);
    EXPECT_EQ(song.name, "Morning walk.mp3");
    EXPECT_EQ(placeOf("/HD/sub").kind, Kind::Entry);

    // The voice folders only under Voice, the others only at the top, each
    // in its own spelling; nothing deeper than a folder's entries.
    for (const char* nowhere : {"/A", "/Voice/MP3", "/Voice/D", "/mp3", "/Voice/a", "/voice/A",
                                "/HD/sub/file.txt", "/Other"})
        EXPECT_EQ(placeOf(nowhere).kind, Kind::Nowhere) << nowhere;
}

TEST(MountTreeTest, GroupsListTheirFolders) {
    EXPECT_EQ(groupChildren(Kind::Root), (std::vector<std::string>{"Voice", "MP3", "HD"}));
    EXPECT_EQ(groupChildren(Kind::VoiceGroup), (std::vector<std::string>{"A", "B", "C"}));
}

}  // namespace
}  // namespace vox::voxctl::mount
