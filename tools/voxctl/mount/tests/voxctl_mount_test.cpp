// The mounted recorder used with the PC's own tools: what goes in comes out
// byte for byte, listings and free space follow every change, and moves and
// rsync behave as on any folder.

#include <gtest/gtest.h>

#include <filesystem>

#include "tools/voxctl/mount/tests/mount_fixture.h"

namespace vox::voxctl::testing {
namespace {

class MountedRecorderTest : public MountTest {
  protected:
    // Kilobytes used, as df shows them for the mount.
    long used() {
        std::string out;
        shell("df -k --output=used mnt | tail -1", &out);
        return std::stol(out);
    }
};

TEST_F(MountedRecorderTest, CopiesInAndOutByteExactWithSizesAndFreeSpaceFollowing) {
    ASSERT_TRUE(mount()) << mountErrors;
    std::string listing;
    ASSERT_EQ(shell("ls mnt mnt/Voice", &listing), 0);
    EXPECT_EQ(listing, "mnt:\nHD\nMP3\nVoice\n\nmnt/Voice:\nA\nB\nC\n");

    const long usedBefore = used();
    writeFile(sandbox.pcPath("memo.dvf"), patternBytes(200000, 1));
    writeFile(sandbox.pcPath("Notes for the trip.txt"), patternBytes(70001, 2));
    ASSERT_EQ(shell("cp pc/memo.dvf mnt/Voice/A/MEMO.DVF"), 0);
    ASSERT_EQ(shell("cp 'pc/Notes for the trip.txt' mnt/HD/"), 0);
    // What the recorder reserves: the sizes rounded up to its clusters.
    const long grown = (used() - usedBefore) * 1024;
    EXPECT_GE(grown, 270001);
    EXPECT_LT(grown, 270001 + 2 * 32768);

    ASSERT_EQ(shell("ls -l --time-style=+ mnt/HD | grep 'Notes for the trip.txt'", &listing), 0);
    EXPECT_NE(listing.find(" 70001 "), std::string::npos) << listing;

    // Out again, through the fetch and the cache, and with partial reads.
    ASSERT_EQ(shell("cp mnt/Voice/A/MEMO.DVF pc/back.dvf"), 0);
    EXPECT_EQ(readFile(sandbox.pcPath("back.dvf")), patternBytes(200000, 1));
    EXPECT_EQ(shell("cmp 'pc/Notes for the trip.txt' 'mnt/HD/Notes for the trip.txt'"), 0);
    ASSERT_EQ(shell("dd if=mnt/Voice/A/MEMO.DVF of=pc/part bs=1000 skip=150 count=7 status=none"),
              0);
    EXPECT_EQ(readFile(sandbox.pcPath("part")), patternBytes(200000, 1).substr(150000, 7000));

    // voxctl itself, once the mount is gone, sees the same file.
    unmount();
    EXPECT_FALSE(mounted());
    std::filesystem::create_directory(sandbox.pcPath("again"));
    const Finished fetched = sandbox.run({"get", "A/MEMO.DVF", sandbox.pcPath("again")});
    ASSERT_EQ(fetched.status, 0) << fetched.err;
    EXPECT_EQ(readFile(sandbox.pcPath("again/MEMO.DVF")), patternBytes(200000, 1));
    // The cache went with the mount.
    EXPECT_TRUE(namesIn(sandbox.folder() + "/cache/voxerin").empty());
}

TEST_F(MountedRecorderTest, MovesWithinAndAcrossFoldersAndOverExistingFiles) {
    ASSERT_TRUE(mount()) << mountErrors;
    writeFile(sandbox.pcPath("one.dvf"), patternBytes(40000, 3));
    writeFile(sandbox.pcPath("two.dvf"), patternBytes(50000, 4));
    ASSERT_EQ(shell("touch -d '2024-05-06 07:08:09' pc/one.dvf && cp -p pc/one.dvf mnt/Voice/A/"),
              0);
    ASSERT_EQ(shell("cp pc/two.dvf mnt/Voice/A/"), 0);

    ASSERT_EQ(shell("mv mnt/Voice/A/one.dvf 'mnt/Voice/A/First one.DVF'"), 0);
    ASSERT_EQ(shell("mv 'mnt/Voice/A/First one.DVF' mnt/Voice/B/"), 0);
    EXPECT_FALSE(exists(at("Voice/A/First one.DVF")));
    EXPECT_EQ(readFile(at("Voice/B/First one.DVF")), patternBytes(40000, 3));

    // mv -n leaves an existing file alone; plain mv replaces it whole.
    shell("mv -n mnt/Voice/A/two.dvf 'mnt/Voice/B/First one.DVF'");
    EXPECT_EQ(readFile(at("Voice/B/First one.DVF")), patternBytes(40000, 3));
    EXPECT_TRUE(exists(at("Voice/A/two.dvf")));
    ASSERT_EQ(shell("mv mnt/Voice/A/two.dvf mnt/Voice/A/VOICE001.DVF"), 0);
    EXPECT_EQ(readFile(at("Voice/A/VOICE001.DVF")), patternBytes(50000, 4));
    EXPECT_FALSE(exists(at("Voice/A/two.dvf")));

    // A file opened and changed in place is sent again whole.
    ASSERT_EQ(shell("printf 'XY' | dd of=mnt/Voice/A/VOICE001.DVF bs=1 seek=10 conv=notrunc "
                    "status=none"),
              0);
    std::string changed = patternBytes(50000, 4);
    changed.replace(10, 2, "XY");
    EXPECT_EQ(readFile(at("Voice/A/VOICE001.DVF")), changed);
}

TEST_F(MountedRecorderTest, RsyncOfAFolderTwiceCopiesNothingTheSecondTime) {
    if (shell("command -v rsync >/dev/null") != 0) GTEST_SKIP() << "rsync is not installed";
    ASSERT_TRUE(mount()) << mountErrors;
    std::filesystem::create_directory(sandbox.pcPath("music"));
    for (unsigned i = 1; i <= 3; ++i)
        writeFile(sandbox.pcPath("music/track" + std::to_string(i) + ".mp3"),
                  patternBytes(30000 * i, 10 + i));
    // rsync writes each file under a hidden temporary name, then renames it.
    const std::string rsync = "rsync -a --itemize-changes pc/music/ mnt/MP3/";
    std::string first, second;
    ASSERT_EQ(shell(rsync, &first), 0) << first;
    ASSERT_EQ(shell(rsync, &second), 0) << second;
    EXPECT_NE(first.find("track3.mp3"), std::string::npos) << first;
    EXPECT_EQ(second, "");
    const std::string compare =
        "diff -r pc/music mnt/MP3 --exclude='Morning walk.mp3' --exclude=SONG.MP3";
    EXPECT_EQ(shell(compare), 0);

    // A changed file replaces the recorder's copy; no temporary file stays.
    writeFile(sandbox.pcPath("music/track2.mp3"), patternBytes(45000, 20));
    std::string third;
    ASSERT_EQ(shell(rsync, &third), 0) << third;
    EXPECT_NE(third.find("track2.mp3"), std::string::npos) << third;
    EXPECT_EQ(third.find("track1.mp3"), std::string::npos) << third;
    EXPECT_EQ(shell(compare), 0);
    for (const std::string& name : namesIn(at("MP3"))) EXPECT_NE(name.front(), '.') << name;
}

TEST_F(MountedRecorderTest, AHiddenFileIsKeptOnThePcUntilRenamedOverARecorderFile) {
    ASSERT_TRUE(mount()) << mountErrors;
    const std::string old = patternBytes(40000, 30);
    const std::string edited = patternBytes(52000, 31);
    writeFile(at("Voice/A/x.DVF"), old);
    // An editor writes its new copy under a hidden name first.
    writeFile(at("Voice/A/.x.tmp"), edited);
    std::string listing;
    ASSERT_EQ(shell("ls -lA --time-style=+ mnt/Voice/A", &listing), 0);
    EXPECT_NE(listing.find(" 52000  .x.tmp"), std::string::npos) << listing;
    EXPECT_EQ(readFile(at("Voice/A/.x.tmp")), edited);
    EXPECT_EQ(readFile(at("Voice/A/x.DVF")), old);
    ASSERT_EQ(shell("touch -d '2024-01-02 03:04:05' mnt/Voice/A/.x.tmp"), 0);

    ASSERT_EQ(shell("mv mnt/Voice/A/.x.tmp mnt/Voice/A/x.DVF"), 0);
    EXPECT_EQ(readFile(at("Voice/A/x.DVF")), edited);
    EXPECT_FALSE(exists(at("Voice/A/.x.tmp")));
    ASSERT_EQ(shell("date -r mnt/Voice/A/x.DVF '+%F %T'", &listing), 0);
    EXPECT_EQ(listing, "2024-01-02 03:04:05\n");

    // A hidden file renamed among hidden names, and removed, stays on the PC.
    writeFile(at("HD/.swap"), patternBytes(100, 32));
    ASSERT_EQ(shell("mv mnt/HD/.swap mnt/HD/.swap2 && rm mnt/HD/.swap2"), 0);
    EXPECT_EQ(shell("ls -A mnt/HD | grep -q swap"), 1);
    unmount();
    EXPECT_EQ(sandbox.run({"get", "A/x.DVF", sandbox.pcPath("")}).status, 0);
    EXPECT_EQ(readFile(sandbox.pcPath("x.DVF")), edited);
}

TEST_F(MountedRecorderTest, AChangeMadeWhileUnmountedShowsOnTheNextMount) {
    ASSERT_TRUE(mount()) << mountErrors;
    std::string before;
    shell("ls mnt/HD", &before);
    unmount();
    writeFile(sandbox.pcPath("later.txt"), patternBytes(1234, 5));
    const Finished put = sandbox.run({"put", sandbox.pcPath("later.txt"), "HD"});
    ASSERT_EQ(put.status, 0) << put.err;
    ASSERT_TRUE(mount()) << mountErrors;
    EXPECT_EQ(before.find("later.txt"), std::string::npos);
    EXPECT_EQ(readFile(at("HD/later.txt")), patternBytes(1234, 5));
}

}  // namespace
}  // namespace vox::voxctl::testing
