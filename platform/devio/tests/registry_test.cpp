#include <gtest/gtest.h>

#include <atomic>

#include "platform/devio/device_notifications.h"
#include "platform/devio/devio.h"
#include "platform/devio/direct_provider.h"

namespace vox::devio {
namespace {

// Each test leaves the process as it found it: nothing installed, no factory.
class ProviderRegistryTest : public ::testing::Test {
  protected:
    void TearDown() override {
        setDefaultProviderFactory(nullptr);
        installProvider(nullptr);
    }
};

TEST_F(ProviderRegistryTest, WithoutAFactoryTheProcessSeesNoDevice) {
    installProvider(nullptr);
    EXPECT_TRUE(provider().presentInterfaces("640A6544-5077-4EE4-884C-3C713514B23D").empty());
    std::uint32_t error = 0;
    EXPECT_EQ(provider().open("\\\\?\\usb#vid_0dab&pid_3000#x\\PIPE00", error), nullptr);
    EXPECT_EQ(error, kErrorFileNotFound);
}

TEST_F(ProviderRegistryTest, TheFactoryIsAskedOnceOnFirstUse) {
    installProvider(nullptr);
    auto made = std::make_shared<DirectProvider>();
    int calls = 0;
    setDefaultProviderFactory([&] {
        ++calls;
        return made;
    });
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(&provider(), made.get());
    EXPECT_EQ(&provider(), made.get());
    EXPECT_EQ(calls, 1);
}

TEST_F(ProviderRegistryTest, AnInstalledProviderWinsOverTheFactory) {
    auto mine = std::make_shared<DirectProvider>();
    setDefaultProviderFactory([] { return std::make_shared<DirectProvider>(); });
    EXPECT_EQ(installProvider(mine), nullptr);
    EXPECT_EQ(&provider(), mine.get());
    EXPECT_EQ(installProvider(nullptr), mine);
}

TEST_F(ProviderRegistryTest, AnOfferedFactoryNeverOverrulesAChosenOne) {
    installProvider(nullptr);
    auto chosen = std::make_shared<DirectProvider>();
    auto offered = std::make_shared<DirectProvider>();
    setDefaultProviderFactory([&] { return chosen; });
    offerDefaultProviderFactory([&] { return offered; });
    EXPECT_EQ(&provider(), chosen.get());

    // Offered first, the factory serves until a front end chooses another.
    installProvider(nullptr);
    setDefaultProviderFactory(nullptr);
    offerDefaultProviderFactory([&] { return offered; });
    EXPECT_EQ(&provider(), offered.get());
    installProvider(nullptr);
    setDefaultProviderFactory([&] { return chosen; });
    EXPECT_EQ(&provider(), chosen.get());
}

TEST(DeviceChangeRegistryTest, EverySubscriberHearsUntilItLeaves) {
    std::atomic<int> first{0};
    std::atomic<int> second{0};
    const int a = subscribeDeviceChanges([&](unsigned event) {
        if (event == kDeviceNodesChanged) ++first;
    });
    const int b = subscribeDeviceChanges([&](unsigned) { ++second; });
    EXPECT_NE(a, b);
    EXPECT_GT(a, 0);
    notifyDeviceChanges();
    unsubscribeDeviceChanges(a);
    notifyDeviceChanges(kDeviceNodesChanged);
    unsubscribeDeviceChanges(b);
    unsubscribeDeviceChanges(b);  // twice is harmless
    notifyDeviceChanges();
    EXPECT_EQ(first.load(), 1);
    EXPECT_EQ(second.load(), 2);
}

TEST(DeviceChangeRegistryTest, ACallbackMayUnsubscribeItself) {
    int calls = 0;
    int id = 0;
    id = subscribeDeviceChanges([&](unsigned) {
        ++calls;
        unsubscribeDeviceChanges(id);
    });
    notifyDeviceChanges();
    notifyDeviceChanges();
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace vox::devio
