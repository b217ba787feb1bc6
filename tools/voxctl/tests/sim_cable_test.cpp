// Pulling the simulated recorder's cable and putting it back from another
// process: a child holds the image through the device stack while the voxctl
// binary unplugs and plugs it, and the child sees what a real cable gives.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/voxctl/tests/voxctl_process.h"

extern char** environ;

namespace vox::voxctl::testing {
namespace {

// The image holder as a child process, its standard input and output on
// pipes; closing the input ends it.
class ImageHolder {
  public:
    explicit ImageHolder(const std::string& image) {
        int input[2];
        int output[2];
        if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0) return;
        std::vector<std::string> environment{"VXR250_SIMULATOR=" + image};
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string text = *entry;
            if (text.rfind("VXR250_", 0) != 0) environment.push_back(text);
        }
        std::vector<char*> envPointers;
        for (auto& entry : environment) envPointers.push_back(entry.data());
        envPointers.push_back(nullptr);
        std::string program = IMAGE_HOLDER_PATH;
        char* argv[] = {program.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, input[0], 0);
        posix_spawn_file_actions_adddup2(&actions, output[1], 1);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, envPointers.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(input[0]);
        ::close(output[1]);
        toChild_ = input[1];
        fromChild_ = output[0];
    }

    ~ImageHolder() {
        if (pid_ > 0 && finish() == -2) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (fromChild_ >= 0) ::close(fromChild_);
    }

    bool started() const { return pid_ > 0; }

    // Reads lines until one equals `wanted`; false when the child ends or
    // the time runs out first. What was read is kept for the message.
    bool awaitLine(const std::string& wanted,
                   std::chrono::seconds limit = std::chrono::seconds(30)) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            for (std::size_t end; (end = pending_.find('\n')) != std::string::npos;) {
                const std::string line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                seen_ += line + "\n";
                if (line == wanted) return true;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd readable{fromChild_, POLLIN, 0};
            if (::poll(&readable, 1, static_cast<int>(left.count())) <= 0) continue;
            char buffer[256];
            const ssize_t got = ::read(fromChild_, buffer, sizeof buffer);
            if (got <= 0) return false;
            pending_.append(buffer, static_cast<std::size_t>(got));
        }
    }

    // Closes the child's input and waits for it: its exit status, or -2 when
    // it did not end within a minute.
    int finish() {
        if (toChild_ >= 0) ::close(toChild_);
        toChild_ = -1;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            const pid_t done = ::waitpid(pid_, &status, WNOHANG);
            if (done == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            // The child's output closes when it ends.
            pollfd closed{fromChild_, POLLIN, 0};
            if (::poll(&closed, 1, 100) > 0) {
                char discard[256];
                if (::read(fromChild_, discard, sizeof discard) <= 0) ::usleep(1000);
            }
        }
        return -2;
    }

    const std::string& seen() const { return seen_; }

  private:
    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    std::string pending_;
    std::string seen_;
};

TEST(SimulatorCable, UnplugAndPlugReachTheProcessHoldingTheImage) {
    VoxctlSandbox sandbox;
    ImageHolder holder(sandbox.image());
    ASSERT_TRUE(holder.started());
    ASSERT_TRUE(holder.awaitLine("present=1 held=ok fresh=ok")) << holder.seen();

    const Finished unplugged = sandbox.run({"sim", "unplug", sandbox.image()});
    EXPECT_EQ(unplugged.status, 0) << unplugged.err;
    // The removal: the recorder is gone and the pipe opened on it fails.
    EXPECT_TRUE(holder.awaitLine("present=0 held=fails fresh=fails")) << holder.seen();

    const Finished plugged = sandbox.run({"sim", "plug", sandbox.image()});
    EXPECT_EQ(plugged.status, 0) << plugged.err;
    // The arrival is a new device: the old pipe stays dead, a new one works.
    EXPECT_TRUE(holder.awaitLine("present=1 held=fails fresh=ok")) << holder.seen();
    EXPECT_EQ(holder.finish(), 0);
}

TEST(SimulatorCable, AProgramStartedWithTheCableOutFindsTheRecorderOncePlugged) {
    VoxctlSandbox sandbox;
    ASSERT_EQ(sandbox.run({"sim", "create", sandbox.image()}).status, 0);
    ASSERT_EQ(sandbox.run({"sim", "unplug", sandbox.image()}).status, 0);
    EXPECT_EQ(readFile(sandbox.image() + ".cable"), "unplugged\n");
    EXPECT_EQ(sandbox.run({"info"}).status, 3) << "no recorder while the cable is out";

    ImageHolder holder(sandbox.image());
    ASSERT_TRUE(holder.started());
    ASSERT_TRUE(holder.awaitLine("present=0 held=none fresh=fails")) << holder.seen();
    ASSERT_EQ(sandbox.run({"sim", "plug", sandbox.image()}).status, 0);
    EXPECT_TRUE(holder.awaitLine("present=1 held=none fresh=ok")) << holder.seen();
    EXPECT_EQ(holder.finish(), 0);
    // No temporary file of the cable's is left beside the image.
    for (const std::string& name : namesIn(sandbox.folder()))
        EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
}

TEST(SimulatorCable, PluggingWantsAnExistingImage) {
    VoxctlSandbox sandbox;
    const Finished missing = sandbox.run({"sim", "unplug", sandbox.folder() + "/none.img"});
    EXPECT_EQ(missing.status, 7);
    EXPECT_NE(missing.err.find("no recorder image at"), std::string::npos) << missing.err;
    EXPECT_FALSE(exists(sandbox.folder() + "/none.img.cable"));
}

}  // namespace
}  // namespace vox::voxctl::testing
