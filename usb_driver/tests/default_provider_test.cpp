// The process's default device access: the driver path, over the simulated
// bus with VXR250_SIMULATOR and over libusb without it.

#include "platform/devio/default_provider.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>

#include "platform/devio/device_notifications.h"
#include "usb_driver/vxr250_public.h"

namespace vox::vxr250::testing {
namespace {

const devio::InterfaceClass kClass{kRecorderInterfaceClass};

TEST(DefaultProviderTest, WithoutARecorderNothingIsFoundAndNothingHangs) {
    unsetenv("VXR250_SIMULATOR");
    auto provider = devio::makeDefaultProvider();
    EXPECT_TRUE(provider->presentInterfaces(kClass).empty());
    std::uint32_t error = 0;
    EXPECT_EQ(provider->open("\\\\?\\usb#vid_0dab&pid_3000#none#{x}\\PIPE00", error), nullptr);
    EXPECT_EQ(error, devio::kErrorFileNotFound);
}

TEST(DefaultProviderTest, TheSimulatorIsReachedThroughTheDriver) {
    const auto image = std::filesystem::temp_directory_path() /
                       ("vxr250-default-" + std::to_string(::getpid()) + ".img");
    std::filesystem::remove(image);
    setenv("VXR250_SIMULATOR", image.c_str(), 1);
    std::atomic<int> notices{0};
    const int subscription = devio::subscribeDeviceChanges([&](unsigned event) {
        if (event == devio::kDeviceNodesChanged) ++notices;
    });
    {
        auto provider = devio::makeDefaultProvider();
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
        EXPECT_TRUE(out->control(IOCTL_BEGIN_COMMAND, scratch, 64, scratch, 64, done));
        EXPECT_TRUE(out->write(block, 64, done));
        EXPECT_TRUE(out->control(IOCTL_END_COMMAND, scratch, 64, scratch, 64, done));
        EXPECT_TRUE(out->control(IOCTL_AWAIT_REPLY, scratch, 64, scratch, 64, done));
        std::uint8_t reply[64] = {};
        ASSERT_TRUE(in->read(reply, 64, done));
        EXPECT_EQ(done, 64u);
        EXPECT_EQ(reply[0], 0x23);
        EXPECT_EQ(reply[2], 0x22);
    }
    devio::unsubscribeDeviceChanges(subscription);
    EXPECT_GE(notices.load(), 2);  // and the removal when the bus went
    unsetenv("VXR250_SIMULATOR");
    std::filesystem::remove(image);
}

}  // namespace
}  // namespace vox::vxr250::testing
