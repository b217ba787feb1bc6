// A recorder killed at any instant while it writes files leaves an image
// that opens and holds either the state before a command or after it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "recorder_model/tests/temp_folder.h"
#include "recorder_model/tests/wire.h"

namespace vox::model::testing {
namespace {

// The bytes file number `k` is written with, so any file can be checked.
Bytes contentFor(unsigned k) {
    Bytes bytes(20000 + 3000 * (k % 17));
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(k * 31 + i);
    return bytes;
}

std::string nameFor(unsigned k) {
    char name[16];
    std::snprintf(name, sizeof name, "F%07uBIN", k);
    return name;
}

// Creates numbered files one after another and deletes the oldest now and
// then, until it is killed.
[[noreturn]] void writeForever(const std::filesystem::path& image) {
    std::string error;
    auto recorder = Recorder::openImage(image, error);
    if (!recorder) ::_exit(2);
    Host host(*recorder);
    host.listFolder("HD");
    auto* hd = recorder->fileSystem().folder('M', "HD");
    unsigned next = 0;
    for (const auto& entry : hd->children)
        next = std::max(
            next,
            static_cast<unsigned>(std::stoul(entry.shortName.display(true).substr(1, 7))) + 1);
    for (;; ++next) {
        if (host.create('M', nameFor(next), u"", contentFor(next)) != 0) ::_exit(3);
        if (next % 3 == 0 && next >= 6)
            host.outcome(block(cat({{'M', 0x45}, text(nameFor(next - 6))})));
    }
}

TEST(RecorderCrash, KilledAtRandomTheImageIsAlwaysWhole) {
    TempFolder folder;
    auto image = folder / "recorder.img";
    std::string error;
    ASSERT_TRUE(Recorder::createImage(image, {}, error)) << error;
    std::random_device seedSource;
    unsigned seed = seedSource();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::size_t filesSeen = 0;
    for (int round = 0; round < 8; ++round) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) writeForever(image);
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 120));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: " << WEXITSTATUS(status);

        auto recorder = Recorder::openImage(image, error);
        ASSERT_TRUE(recorder) << "round " << round << ": " << error;
        auto* hd = recorder->fileSystem().folder('M', "HD");
        ASSERT_TRUE(hd);
        for (const auto& entry : hd->children) {
            unsigned k =
                static_cast<unsigned>(std::stoul(entry.shortName.display(true).substr(1, 7)));
            ASSERT_EQ(entry.shortName.display(true), nameFor(k));
            ASSERT_EQ(*entry.content, contentFor(k)) << "round " << round << ", file " << k;
        }
        filesSeen = std::max(filesSeen, hd->children.size());
    }
    EXPECT_GT(filesSeen, 0u) << "the writer never got a file written";
}

}  // namespace
}  // namespace vox::model::testing
