// The process's device stack: the driver path, over the simulated bus with
// VXR250_SIMULATOR and over libusb without it.

#include "platform/stack/device_stack.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>

#include "platform/devio/device_notifications.h"
#include "usb_driver/vxr250_public.h"

namespace vox::stack {
namespace {

const devio::InterfaceClass kClass{vxr250::kRecorderInterfaceClass};

// VXR250_SIMULATOR names a fresh image file for as long as this lives.
class SimulatorImage {
  public:
    explicit SimulatorImage(const std::string& name)
        : path(std::filesystem::temp_directory_path() /
               ("vxr250-" + name + "-" + std::to_string(::getpid()) + ".img")) {
        std::filesystem::remove(path);
        setenv("VXR250_SIMULATOR", path.c_str(), 1);
    }
    ~SimulatorImage() {
        unsetenv("VXR250_SIMULATOR");
        std::filesystem::remove(path);
    }

    const std::filesystem::path path;
};

TEST(DeviceStackTest, WithoutARecorderNothingIsFoundAndNothingHangs) {
    unsetenv("VXR250_SIMULATOR");
    auto provider = makeDeviceStack();
    EXPECT_TRUE(provider->presentInterfaces(kClass).empty());
    std::uint32_t error = 0;
    EXPECT_EQ(provider->open("\\\\?\\usb#vid_0dab&pid_3000#none#{x}\\PIPE00", error), nullptr);
    EXPECT_EQ(error, devio::kErrorFileNotFound);
}

TEST(DeviceStackTest, TheSimulatorIsReachedThroughTheDriver) {
    const SimulatorImage simulator("default");
    std::atomic<int> notices{0};
    const int subscription = devio::subscribeDeviceChanges([&](unsigned event) {
        if (event == devio::kDeviceNodesChanged) ++notices;
    });
    {
        auto provider = makeDeviceStack();
        const auto paths = provider->presentInterfaces(kClass);
        ASSERT_EQ(paths.size(), 1u);
        EXPECT_EQ(paths[0].rfind("\\\\?\\usb#vid_0dab&pid_3000#sim", 0), 0u) << paths[0];
        EXPECT_GE(notices.load(), 1);  // the arrival

        std::uint32_t error = 0;
        auto out = provider->open(paths[0] + "\\PIPE00", error);
        auto in = provider->open(paths[0] + "\\PIPE01", error);
        ASSERT_NE(out, nullptr);
        ASSERT_NE(in, nullptr);
        // IDENTIFY, framed as the library frames it.
        std::uint8_t block[64] = {0x23, 0x00, 0x03, 0x3A, 0x59, 0x2E};
        std::uint8_t scratch[64] = {};
        std::uint32_t done = 0;
        EXPECT_TRUE(out->control(vxr250::IOCTL_BEGIN_COMMAND, scratch, 64, scratch, 64, done));
        EXPECT_TRUE(out->write(block, 64, done));
        EXPECT_TRUE(out->control(vxr250::IOCTL_END_COMMAND, scratch, 64, scratch, 64, done));
        EXPECT_TRUE(out->control(vxr250::IOCTL_AWAIT_REPLY, scratch, 64, scratch, 64, done));
        std::uint8_t reply[64] = {};
        ASSERT_TRUE(in->read(reply, 64, done));
        EXPECT_EQ(done, 64u);
        EXPECT_EQ(reply[0], 0x23);
        EXPECT_EQ(reply[2], 0x22);
    }
    devio::unsubscribeDeviceChanges(subscription);
    EXPECT_GE(notices.load(), 2);  // and the removal when the bus went
}

TEST(DeviceStackTest, InstalledStackIsBuiltOnTheFirstDeviceAccess) {
    const SimulatorImage simulator("installed");
    devio::installProvider(nullptr);
    installDeviceStack();
    EXPECT_FALSE(std::filesystem::exists(simulator.path));  // nothing opened yet
    EXPECT_EQ(devio::provider().presentInterfaces(kClass).size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(simulator.path));
    devio::setDefaultProviderFactory(nullptr);
    devio::installProvider(nullptr);
}

TEST(DeviceStackTest, AnImageInUseGivesAStackWithoutADevice) {
    const SimulatorImage simulator("busy");
    {
        auto holder = makeDeviceStack();
        ASSERT_EQ(holder->presentInterfaces(kClass).size(), 1u);
        auto second = makeDeviceStack();  // the image is locked by the first
        EXPECT_TRUE(second->presentInterfaces(kClass).empty());
    }
}

}  // namespace
}  // namespace vox::stack
