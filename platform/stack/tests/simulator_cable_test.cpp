// The cable file beside a simulated recorder's image and the watch on it.

#include "platform/stack/simulator_cable.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <vector>

namespace vox::stack {
namespace {

class SimulatorCableTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder =
            std::filesystem::temp_directory_path() / ("vxr250-cable-" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directory(folder);
        image = folder / "recorder.img";
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    void set(CableState state) {
        std::string error;
        ASSERT_TRUE(writeCableState(image, state, error)) << error;
    }

    std::filesystem::path folder;
    std::filesystem::path image;
};

TEST_F(SimulatorCableTest, TheStateIsWrittenWholeBesideTheImage) {
    EXPECT_EQ(readCableState(image), CableState::Plugged);  // no file: never pulled
    set(CableState::Unplugged);
    EXPECT_EQ(readCableState(image), CableState::Unplugged);
    set(CableState::Plugged);
    EXPECT_EQ(readCableState(image), CableState::Plugged);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"recorder.img.cable"});

    std::string error;
    EXPECT_FALSE(writeCableState(folder / "missing" / "x.img", CableState::Plugged, error));
    EXPECT_NE(error.find("x.img.cable"), std::string::npos) << error;
}

TEST_F(SimulatorCableTest, TheWatchSeesEachChangeOnceAndNothingElse) {
    set(CableState::Unplugged);
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<CableState> seen;
    CableWatch watch(image, [&](CableState state) {
        std::lock_guard lock(mutex);
        seen.push_back(state);
        arrived.notify_all();
    });
    ASSERT_TRUE(watch.watching());
    EXPECT_EQ(watch.initial(), CableState::Unplugged);
    const auto waitFor = [&](std::size_t count) {
        std::unique_lock lock(mutex);
        return arrived.wait_for(lock, std::chrono::seconds(10),
                                [&] { return seen.size() >= count; });
    };

    set(CableState::Unplugged);                                // no change
    std::ofstream(folder / "other.img.cable") << "plugged\n";  // another image's cable
    set(CableState::Plugged);
    ASSERT_TRUE(waitFor(1));
    std::filesystem::remove(image.string() + ".cable");  // gone: still plugged
    set(CableState::Unplugged);
    ASSERT_TRUE(waitFor(2));
    std::lock_guard lock(mutex);
    EXPECT_EQ(seen, (std::vector<CableState>{CableState::Plugged, CableState::Unplugged}));
}

}  // namespace
}  // namespace vox::stack
