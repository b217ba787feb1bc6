#include "platform/devio/direct_provider.h"

#include <gtest/gtest.h>

#include <vector>

#include "usb_driver/vxr250_public.h"

namespace vox::devio {
namespace {

using usb::UsbResult;
using usb::UsbStatus;

// Records what reaches the recorder's side and answers reads from a queue.
class FakeFunction final : public usb::UsbFunction {
  public:
    usb::UsbResult bulkOut(std::span<const std::uint8_t> data) override {
        if (!plugged) return {usb::UsbStatus::Disconnected, 0};
        written.insert(written.end(), data.begin(), data.end());
        return {usb::UsbStatus::Ok, data.size()};
    }
    usb::UsbResult bulkIn(std::span<std::uint8_t> buffer) override {
        if (!plugged) return {usb::UsbStatus::Disconnected, 0};
        const std::size_t n = std::min(buffer.size(), pending.size());
        std::copy_n(pending.begin(), n, buffer.begin());
        pending.erase(pending.begin(), pending.begin() + static_cast<long>(n));
        return {usb::UsbStatus::Ok, n};
    }
    usb::UsbStatus vendorRequest(std::uint8_t request, std::uint16_t value,
                                 std::uint16_t index) override {
        vendor.push_back({0, request, value, index});
        return plugged ? usb::UsbStatus::Ok : usb::UsbStatus::Disconnected;
    }
    usb::UsbStatus resetPipe(std::uint8_t) override { return usb::UsbStatus::Ok; }
    usb::UsbStatus resetPort() override {
        ++portResets;
        return usb::UsbStatus::Ok;
    }
    bool connected() const override { return plugged; }

    bool plugged = true;
    std::vector<std::uint8_t> written;
    std::vector<std::uint8_t> pending;
    std::vector<vxr250::VendorRequest> vendor;
    int portResets = 0;
};

const InterfaceClass kRecorderClass(vxr250::kRecorderInterfaceClass);

TEST(DirectProviderTest, ListsAttachedModelsUnderTheRecorderClass) {
    DirectProvider provider;
    auto first = std::make_shared<FakeFunction>();
    auto second = std::make_shared<FakeFunction>();
    const std::string path0 = provider.attach(first);
    const std::string path1 = provider.attach(second);
    EXPECT_EQ(path0, "\\\\?\\usb#vid_0dab&pid_3000#sim0#{640a6544-5077-4ee4-884c-3c713514b23d}");
    EXPECT_EQ(provider.presentInterfaces(kRecorderClass), (std::vector{path0, path1}));
    EXPECT_TRUE(provider.presentInterfaces("00000000-0000-0000-0000-000000000000").empty());

    second->plugged = false;  // unplugged models are not present
    EXPECT_EQ(provider.presentInterfaces(kRecorderClass), std::vector{path0});
    provider.detach(path0);
    EXPECT_TRUE(provider.presentInterfaces(kRecorderClass).empty());
}

TEST(DirectProviderTest, OpensOnlyKnownPathsAndPipeNames) {
    DirectProvider provider;
    auto model = std::make_shared<FakeFunction>();
    const std::string path = provider.attach(model);
    std::uint32_t error = 0;
    EXPECT_NE(provider.open(path, error), nullptr);
    EXPECT_NE(provider.open(path + "\\PIPE00", error), nullptr);
    EXPECT_NE(provider.open(path + "\\pipe01", error), nullptr);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(provider.open(path + "\\PIPE02", error), nullptr);
    EXPECT_EQ(error, kErrorFileNotFound);
    EXPECT_EQ(provider.open(path + "x", error), nullptr);
    EXPECT_EQ(provider.open("\\\\?\\usb#other", error), nullptr);
    EXPECT_EQ(error, kErrorFileNotFound);
    model->plugged = false;
    EXPECT_EQ(provider.open(path + "\\PIPE00", error), nullptr);
    EXPECT_EQ(error, kErrorDeviceNotConnected);
}

TEST(DirectProviderTest, FileCallsReachTheModel) {
    DirectProvider provider;
    auto model = std::make_shared<FakeFunction>();
    const std::string path = provider.attach(model);
    std::uint32_t error = 0;
    auto file = provider.open(path + "\\PIPE00", error);
    ASSERT_NE(file, nullptr);

    const std::uint8_t command[6] = {0x23, 0x00, 0x03, 0x3A, 0x59, 0x2E};
    std::uint32_t done = 0;
    ASSERT_TRUE(file->write(command, 6, done));
    EXPECT_EQ(done, 6u);
    EXPECT_EQ(model->written, std::vector<std::uint8_t>(command, command + 6));

    model->pending = {1, 2, 3};
    std::uint8_t buffer[64] = {};
    ASSERT_TRUE(file->read(buffer, 64, done));
    EXPECT_EQ(done, 3u);  // a short transfer
    EXPECT_EQ(buffer[2], 3);

    std::uint8_t block[64] = {};
    std::uint32_t returned = 7;
    for (const auto& entry : vxr250::kVendorRequests) {
        EXPECT_TRUE(file->control(entry.code, block, 64, block, 64, returned));
        EXPECT_EQ(returned, 0u);
    }
    ASSERT_EQ(model->vendor.size(), vxr250::kVendorRequests.size());
    for (std::size_t i = 0; i < model->vendor.size(); ++i) {
        EXPECT_EQ(model->vendor[i].request, vxr250::kVendorRequests[i].request);
        EXPECT_EQ(model->vendor[i].value, vxr250::kVendorRequests[i].value);
        EXPECT_EQ(model->vendor[i].index, vxr250::kVendorRequests[i].index);
    }
    EXPECT_TRUE(file->control(vxr250::IOCTL_RESET_PORT, block, 64, block, 64, returned));
    EXPECT_EQ(model->portResets, 1);
    EXPECT_TRUE(file->control(vxr250::IOCTL_NOP, block, 64, block, 64, returned));
    EXPECT_FALSE(file->control(0x220020, block, 64, block, 64, returned));
    EXPECT_EQ(model->vendor.size(), vxr250::kVendorRequests.size());
}

TEST(DirectProviderTest, DetachedOrUnpluggedModelFailsOpenFiles) {
    DirectProvider provider;
    auto model = std::make_shared<FakeFunction>();
    const std::string path = provider.attach(model);
    std::uint32_t error = 0;
    auto file = provider.open(path + "\\PIPE00", error);
    ASSERT_NE(file, nullptr);
    std::uint8_t byte = 0;
    std::uint32_t done = 0;
    model->plugged = false;
    EXPECT_FALSE(file->write(&byte, 1, done));
    model->plugged = true;
    EXPECT_TRUE(file->write(&byte, 1, done));
    provider.detach(path);
    EXPECT_FALSE(file->write(&byte, 1, done));
    EXPECT_FALSE(file->read(&byte, 1, done));
    EXPECT_FALSE(file->control(vxr250::IOCTL_BEGIN_COMMAND, &byte, 1, &byte, 1, done));
}

}  // namespace
}  // namespace vox::devio
