// What the mount does when something goes wrong: refusals at create and
// write with their error numbers, a failed send reported by close() with the
// old file whole and what was written kept, a failed fetch, the recorder
// pulled out while mounted, and other commands refused while it is mounted.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/rules/rule_texts.h"
#include "tools/voxctl/mount/tests/mount_fixture.h"

namespace vox::voxctl::testing {
namespace {

// errno of the first failing step of creating `path` and writing `bytes`
// into it; 0 when all went through.
int writeWhole(const std::string& path, std::size_t bytes, int flags = O_CREAT | O_TRUNC) {
    const int fd = ::open(path.c_str(), O_WRONLY | flags, 0644);
    if (fd < 0) return errno;
    const std::string content = patternBytes(bytes, 7);
    int failure = 0;
    for (std::size_t at = 0; at < content.size() && failure == 0;) {
        const ssize_t written = ::write(fd, content.data() + at, content.size() - at);
        if (written < 0)
            failure = errno;
        else
            at += static_cast<std::size_t>(written);
    }
    if (::close(fd) != 0 && failure == 0) failure = errno;
    return failure;
}

class MountFailuresTest : public MountTest {};

TEST_F(MountFailuresTest, RefusesAtCreateAndWhatDoesNotFitTheFreeSpace) {
    ASSERT_EQ(
        sandbox.run({"sim", "create", "--empty", "--capacity", "1M", sandbox.image() + "2"}).status,
        0);
    std::filesystem::rename(sandbox.image() + "2", sandbox.image());
    ASSERT_TRUE(mount()) << mountErrors;
    EXPECT_EQ(writeWhole(at("Voice/A/memo.txt"), 10), EPERM);
    EXPECT_EQ(writeWhole(at("MP3/memo.dvf"), 10), EPERM);
    EXPECT_EQ(writeWhole(at("HD/" + std::string(70, 'n') + ".txt"), 10), ENAMETOOLONG);
    EXPECT_EQ(writeWhole(at("HD/tab\tname.txt"), 10), EINVAL);

    std::string before;
    shell("df -k --output=avail mnt | tail -1", &before);
    EXPECT_EQ(writeWhole(at("HD/too big.bin"), 2 << 20), ENOSPC);
    std::string after;
    shell("df -k --output=avail mnt | tail -1", &after);
    EXPECT_EQ(after, before);
    EXPECT_TRUE(namesIn(at("HD")).empty());
    // Under a hidden name, what did not fit is never sent by a rename.
    EXPECT_EQ(writeWhole(at("HD/.too big.tmp"), 2 << 20), ENOSPC);
    errno = 0;
    EXPECT_NE(std::rename(at("HD/.too big.tmp").c_str(), at("HD/too big.bin").c_str()), 0);
    EXPECT_EQ(errno, ENOSPC);
    ASSERT_EQ(shell("rm 'mnt/HD/.too big.tmp'"), 0);
    EXPECT_TRUE(namesIn(at("HD")).empty());
    // What fits still goes through.
    EXPECT_EQ(writeWhole(at("HD/fits.bin"), 100000), 0);
}

TEST_F(MountFailuresTest, AFailedSendIsReportedByCloseAndKeepsBothCopies) {
    sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", "refuse-next-create,refuse-read=NOTES.TXT");
    const pid_t mountProcess = sandbox.start({"mount", "-f", mountPoint()});
    ASSERT_TRUE(waitMounted(true));
    // A fetch that fails gives EIO to the read.
    std::string error;
    EXPECT_NE(shell("cat mnt/HD/NOTES.TXT 2>&1 >/dev/null", &error), 0);
    EXPECT_NE(error.find("Input/output error"), std::string::npos) << error;

    // The recorder refuses the new copy: close() says so and the old file
    // stays as it was.
    const std::string oldVoice = readFile(at("Voice/A/VOICE001.DVF"));
    ASSERT_FALSE(oldVoice.empty());
    EXPECT_EQ(writeWhole(at("Voice/A/VOICE001.DVF"), 30000, O_TRUNC), EIO);
    EXPECT_EQ(readFile(at("Voice/A/VOICE001.DVF")), oldVoice);
    EXPECT_EQ(readFile(recovered("VOICE001.DVF")), patternBytes(30000, 7));

    unmount();
    const Finished ended = sandbox.wait(mountProcess);
    EXPECT_EQ(ended.status, 0);
    EXPECT_NE(ended.err.find(recovered("VOICE001.DVF")), std::string::npos) << ended.err;
}

TEST_F(MountFailuresTest, AHiddenFileWhoseSendFailsIsReportedByRenameAndKept) {
    sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", "refuse-next-create");
    const pid_t mountProcess = sandbox.start({"mount", "-f", mountPoint()});
    ASSERT_TRUE(waitMounted(true));
    const std::string oldVoice = readFile(at("Voice/A/VOICE001.DVF"));
    ASSERT_FALSE(oldVoice.empty());
    // Nothing is sent while the file keeps its hidden name.
    EXPECT_EQ(writeWhole(at("Voice/A/.VOICE001.DVF.tmp"), 30000), 0);

    errno = 0;
    EXPECT_NE(
        std::rename(at("Voice/A/.VOICE001.DVF.tmp").c_str(), at("Voice/A/VOICE001.DVF").c_str()),
        0);
    EXPECT_EQ(errno, EIO);
    EXPECT_EQ(readFile(at("Voice/A/VOICE001.DVF")), oldVoice);
    EXPECT_EQ(readFile(recovered("VOICE001.DVF")), patternBytes(30000, 7));
    EXPECT_FALSE(exists(at("Voice/A/.VOICE001.DVF.tmp")));

    // Hidden files left at the end: what holds data is kept, empty ones go.
    EXPECT_EQ(writeWhole(at("HD/.notes.swp"), 500), 0);
    EXPECT_EQ(writeWhole(at("HD/.lock"), 0), 0);
    unmount();
    const Finished ended = sandbox.wait(mountProcess);
    EXPECT_EQ(ended.status, 0);
    EXPECT_EQ(readFile(recovered(".notes.swp")), patternBytes(500, 7));
    EXPECT_FALSE(exists(recovered(".lock")));
    EXPECT_NE(ended.err.find(recovered(".notes.swp")), std::string::npos) << ended.err;
    EXPECT_NE(ended.err.find("/HD/.lock"), std::string::npos) << ended.err;
}

TEST_F(MountFailuresTest, UnpluggedWhileMountedEndsTheMountAndWatchMountsAgain) {
    // The cable is pulled after the first 300,000 bytes on the bus.
    sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", "unplug-after-bytes=300000");
    const pid_t mountProcess = sandbox.start({"mount", "-f", "--watch", mountPoint()});
    ASSERT_TRUE(waitMounted(true));
    EXPECT_EQ(writeWhole(at("HD/big.bin"), 1 << 20), ENODEV);
    ASSERT_TRUE(waitMounted(false)) << "the mount point stayed";
    EXPECT_EQ(readFile(recovered("big.bin")), patternBytes(1 << 20, 7));
    // Nothing dead is left where the mount was.
    EXPECT_EQ(shell("ls mnt > /dev/null"), 0);

    ASSERT_EQ(sandbox.run({"sim", "unplug", sandbox.image()}).status, 0);
    ASSERT_EQ(sandbox.run({"sim", "plug", sandbox.image()}).status, 0);
    ASSERT_TRUE(waitMounted(true)) << "not mounted again";
    EXPECT_EQ(shell("ls mnt/HD | grep -q NOTES.TXT"), 0);

    // Pulled out while nothing is asked of it: the mount ends all the same.
    ASSERT_EQ(sandbox.run({"sim", "unplug", sandbox.image()}).status, 0);
    ASSERT_TRUE(waitMounted(false)) << "the mount point stayed";
    ASSERT_EQ(sandbox.run({"sim", "plug", sandbox.image()}).status, 0);
    ASSERT_TRUE(waitMounted(true)) << "not mounted again";
    unmount();
    EXPECT_EQ(sandbox.wait(mountProcess).status, 0);
}

TEST_F(MountFailuresTest, OtherCommandsAreRefusedWhileMounted) {
    ASSERT_TRUE(mount()) << mountErrors;
    std::ifstream lock(sandbox.folder() + "/run/voxerin/mount.lock");
    long pid = 0;
    ASSERT_TRUE(lock >> pid);
    const Finished refused = sandbox.run({"ls", "HD"});
    EXPECT_EQ(refused.status, 4);
    EXPECT_NE(refused.err.find(rules::texts::kBusy), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("process " + std::to_string(pid)), std::string::npos) << refused.err;
    EXPECT_EQ(sandbox.run({"mount", sandbox.folder() + "/pc"}).status, 4);
    unmount();
    EXPECT_EQ(sandbox.run({"ls", "HD"}).status, 0);
}

}  // namespace
}  // namespace vox::voxctl::testing
