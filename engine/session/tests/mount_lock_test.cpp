// The lock a mount holds the recorder with, as other processes see it.

#include "engine/session/mount_lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace vox::session {
namespace {

class MountLockTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "mount-lock-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        ::setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    // Writes the lock as process `pid` would have.
    void lockAs(long pid) {
        std::filesystem::create_directories(runtimeFolder());
        std::ofstream(mountLockPath()) << pid << "\n/media/recorder\n";
    }

    std::string folder_;
};

TEST_F(MountLockTest, OnlyALiveOtherProcessHoldsTheRecorder) {
    EXPECT_FALSE(otherMountHolder());
    // This process's own lock does not refuse it.
    ASSERT_TRUE(writeMountLock("/run/user/1000/voxerin/recorder"));
    EXPECT_FALSE(otherMountHolder());

    const pid_t child = ::fork();
    if (child == 0) {
        ::pause();
        std::_Exit(0);
    }
    lockAs(child);
    const std::optional<MountHolder> holder = otherMountHolder();
    ASSERT_TRUE(holder);
    EXPECT_EQ(holder->pid, child);
    EXPECT_EQ(holder->mountPoint, "/media/recorder");
    EXPECT_EQ(mountedBusyText(*holder),
              "Uploading/Downloading/Formating Now!!! The recorder is mounted on /media/recorder "
              "by voxctl mount (process " +
                  std::to_string(child) + ").");

    // Once it has ended, waited for or not, its lock holds nothing.
    ::kill(child, SIGKILL);
    for (int i = 0; i < 200 && processRunning(child); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(processRunning(child));
    EXPECT_FALSE(otherMountHolder());
    ::waitpid(child, nullptr, 0);
    // Another process's lock is not this process's to remove.
    removeMountLock();
    EXPECT_TRUE(std::filesystem::exists(mountLockPath()));
}

}  // namespace
}  // namespace vox::session
