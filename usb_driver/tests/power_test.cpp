// System and device power requests and the device state chosen for each.

#include "usb_driver/device.h"
#include "usb_driver/tests/driver_fixture.h"

namespace vox::vxr250::testing {
namespace {

using namespace vox::usb;

class PowerTest : public DriverTest {
  protected:
    void SetUp() override {
        captureDebugOutput(true);
        DriverTest::SetUp();
        start();
    }
    void TearDown() override {
        DriverTest::TearDown();
        captureDebugOutput(false);
        takeDebugOutput();
    }
    void start() {
        port = plug();
        pdo = bus->physicalDevice(port);
        extension = extensionOn(port);
        ASSERT_NE(extension, nullptr);
    }
    NTSTATUS system(UCHAR minor, SYSTEM_POWER_STATE state) {
        const NTSTATUS status = PowerManager::sendSystemPowerRequest(pdo, minor, state);
        flushWorkItems();
        return status;
    }

    int port = 0;
    DEVICE_OBJECT* pdo = nullptr;
    DEVICE_EXTENSION* extension = nullptr;
};

TEST_F(PowerTest, DeviceStateForEachSystemState) {
    EXPECT_EQ(deviceStateFor(extension, PowerSystemWorking), PowerDeviceD0);
    DEVICE_EXTENSION probe{};
    for (int s = PowerSystemSleeping1; s <= PowerSystemShutdown; ++s) {
        for (DEVICE_POWER_STATE mapped : {PowerDeviceUnspecified, PowerDeviceD0, PowerDeviceD1,
                                          PowerDeviceD2, PowerDeviceD3, PowerDeviceMaximum}) {
            probe.Capabilities.DeviceState[s] = mapped;
            EXPECT_EQ(deviceStateFor(&probe, static_cast<SYSTEM_POWER_STATE>(s)), PowerDeviceD3)
                << s << " " << mapped;
        }
    }
    EXPECT_EQ(deviceStateFor(&probe, PowerSystemMaximum), PowerDeviceD3);
}

TEST_F(PowerTest, SleepAndWakeMoveTheDeviceAlong) {
    EXPECT_EQ(system(IRP_MN_QUERY_POWER, PowerSystemSleeping3), STATUS_SUCCESS);
    EXPECT_EQ(extension->SystemPower, PowerSystemWorking);  // a query changes nothing
    EXPECT_EQ(system(IRP_MN_SET_POWER, PowerSystemSleeping3), STATUS_SUCCESS);
    EXPECT_EQ(extension->SystemPower, PowerSystemSleeping3);
    EXPECT_EQ(extension->DevicePower, PowerDeviceD3);
    EXPECT_EQ(recordedDevicePowerState(extension->DeviceObject), PowerDeviceD3);

    EXPECT_EQ(system(IRP_MN_SET_POWER, PowerSystemWorking), STATUS_SUCCESS);
    EXPECT_EQ(extension->SystemPower, PowerSystemWorking);
    EXPECT_EQ(extension->DevicePower, PowerDeviceD0);
    EXPECT_EQ(recordedDevicePowerState(extension->DeviceObject), PowerDeviceD0);

    // Awake again, the recorder still carries traffic.
    KernelFile file;
    std::uint8_t block[64] = {};
    ULONG_PTR done = 0;
    EXPECT_EQ(file.write(block, 64, done), STATUS_SUCCESS);
}

TEST_F(PowerTest, TheOlderWdmPassesRequestsDownFromWorkItems) {
    bus.reset();
    driver.reset();
    setWdmVersion(1, 0x00);
    driver = std::make_unique<DriverLoad>();
    bus = std::make_unique<usb::SimulatedBus>(driver->object());
    start();
    EXPECT_EQ(system(IRP_MN_SET_POWER, PowerSystemHibernate), STATUS_SUCCESS);
    EXPECT_EQ(extension->DevicePower, PowerDeviceD3);
    EXPECT_EQ(extension->SystemPower, PowerSystemHibernate);
    // Deeper sleep with the device already in D3: no device request.
    EXPECT_EQ(system(IRP_MN_SET_POWER, PowerSystemShutdown), STATUS_SUCCESS);
    EXPECT_EQ(extension->SystemPower, PowerSystemShutdown);
    EXPECT_EQ(system(IRP_MN_SET_POWER, PowerSystemWorking), STATUS_SUCCESS);
    EXPECT_EQ(extension->DevicePower, PowerDeviceD0);
}

TEST_F(PowerTest, DeviceRequestsAloneChangeOnlyTheDevice) {
    EXPECT_EQ(PowerManager::sendDevicePowerRequest(pdo, IRP_MN_SET_POWER, PowerDeviceD2),
              STATUS_SUCCESS);
    EXPECT_EQ(extension->DevicePower, PowerDeviceD2);
    EXPECT_EQ(PowerManager::sendDevicePowerRequest(pdo, IRP_MN_QUERY_POWER, PowerDeviceD0),
              STATUS_SUCCESS);
    EXPECT_EQ(extension->DevicePower, PowerDeviceD2);
    EXPECT_EQ(PowerManager::sendDevicePowerRequest(pdo, IRP_MN_SET_POWER, PowerDeviceD0),
              STATUS_SUCCESS);
    EXPECT_EQ(extension->DevicePower, PowerDeviceD0);
    EXPECT_EQ(extension->SystemPower, PowerSystemWorking);
}

}  // namespace
}  // namespace vox::vxr250::testing
