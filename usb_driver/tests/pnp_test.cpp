// Starting, stopping and removing the recorder's device.

#include <atomic>
#include <thread>

#include "usb_driver/tests/driver_fixture.h"

namespace vox::vxr250::testing {
namespace {

using namespace vox::usb;

class PnpTest : public DriverTest {
  protected:
    void SetUp() override {
        captureDebugOutput(true);
        DriverTest::SetUp();
    }
    void TearDown() override {
        DriverTest::TearDown();
        captureDebugOutput(false);
        takeDebugOutput();
    }

    // Reloads the driver as the older WDM (Windows 98) would load it.
    void reloadOnOlderWdm() {
        bus.reset();
        driver.reset();
        setWdmVersion(1, 0x00);
        driver = std::make_unique<DriverLoad>();
        ASSERT_NE(driver->object(), nullptr);
        bus = std::make_unique<usb::SimulatedBus>(driver->object());
    }

    std::size_t enabledInterfaces() { return enabledDeviceInterfaces(recorderClass()).size(); }
};

TEST_F(PnpTest, StartConfiguresTheRecorderAndEnablesItsInterface) {
    const int port = plug();
    EXPECT_EQ(bus->startStatus(port), STATUS_SUCCESS);
    DEVICE_EXTENSION* extension = extensionOn(port);
    ASSERT_NE(extension, nullptr);
    EXPECT_EQ(extension->State, WORKING);
    EXPECT_EQ(view(extension->DeviceName), u"\\DosDevices\\KTR55USB0");
    EXPECT_EQ(extension->DeviceDescriptor.idVendor, 0x0DAB);
    EXPECT_EQ(extension->DeviceDescriptor.idProduct, 0x3000);
    EXPECT_EQ(extension->MaximumTransfer, 4096u);
    EXPECT_NE(extension->InPipe, nullptr);
    EXPECT_NE(extension->OutPipe, nullptr);
    EXPECT_EQ(extension->LanguageId, 0x0409);
    EXPECT_EQ(extension->Capabilities.SurpriseRemovalOK, 1u);
    EXPECT_EQ(enabledInterfaces(), 1u);
    const std::string lines = takeDebugOutput();
    EXPECT_NE(lines.find("KTR55USB - Configuring device from Tevra Media\n"), std::string::npos);
    EXPECT_NE(lines.find("KTR55USB - Product is VX-R250 Voice Recorder\n"), std::string::npos);
    EXPECT_NE(lines.find("KTR55USB - Serial number is SIM"), std::string::npos);
    EXPECT_EQ(lines.find("Selecting"), std::string::npos);

    auto second = std::make_shared<FakeRecorder>();
    const int secondPort = bus->plugIn(second);
    EXPECT_EQ(view(extensionOn(secondPort)->DeviceName), u"\\DosDevices\\KTR55USB1");
    EXPECT_EQ(enabledInterfaces(), 2u);
}

TEST_F(PnpTest, NamedConfigurationAndInterfaceAreReported) {
    plug(usb::DescriptorVariant::NamedConfiguration);
    const std::string lines = takeDebugOutput();
    EXPECT_NE(lines.find("KTR55USB - Selecting configuration named Recorder\n"), std::string::npos);
    EXPECT_NE(lines.find("KTR55USB - Selecting interface named Command pipes\n"),
              std::string::npos);
}

TEST_F(PnpTest, WrongEndpointsFailTheStartAndLeaveNoInterface) {
    const int port = plug(usb::DescriptorVariant::WrongEndpoints);
    EXPECT_EQ(bus->startStatus(port), STATUS_DEVICE_CONFIGURATION_ERROR);
    EXPECT_EQ(enabledInterfaces(), 0u);
    // The device that did not start was removed again.
    EXPECT_EQ(extensionOn(port), nullptr);
    EXPECT_EQ(poolUsage(kPoolTag).blocks, poolBefore + 1);  // only the registry path copy
}

TEST_F(PnpTest, EveryTransitionOfTheStateMachine) {
    const int port = plug();
    DEVICE_OBJECT* pdo = bus->physicalDevice(port);
    DEVICE_EXTENSION* extension = extensionOn(port);
    PnpManager& pnp = bus->pnp();

    EXPECT_EQ(pnp.send(pdo, IRP_MN_QUERY_STOP_DEVICE), STATUS_SUCCESS);
    EXPECT_EQ(extension->State, PENDINGSTOP);
    EXPECT_EQ(pnp.send(pdo, IRP_MN_CANCEL_STOP_DEVICE), STATUS_SUCCESS);
    EXPECT_EQ(extension->State, WORKING);

    EXPECT_EQ(pnp.stopDevice(pdo), STATUS_SUCCESS);
    EXPECT_EQ(extension->State, STOPPED);
    EXPECT_EQ(extension->ConfigurationDescriptor, nullptr);
    // Restarted, it is configured afresh.
    EXPECT_EQ(pnp.send(pdo, IRP_MN_START_DEVICE), STATUS_SUCCESS);
    EXPECT_EQ(extension->State, WORKING);
    EXPECT_NE(extension->ConfigurationDescriptor, nullptr);

    EXPECT_EQ(pnp.send(pdo, IRP_MN_QUERY_REMOVE_DEVICE), STATUS_SUCCESS);
    EXPECT_EQ(extension->State, PENDINGREMOVE);
    EXPECT_EQ(pnp.send(pdo, IRP_MN_CANCEL_REMOVE_DEVICE), STATUS_SUCCESS);
    EXPECT_EQ(extension->State, WORKING);

    // Cancels that find nothing to cancel change nothing.
    EXPECT_EQ(pnp.send(pdo, IRP_MN_CANCEL_STOP_DEVICE), STATUS_SUCCESS);
    EXPECT_EQ(pnp.send(pdo, IRP_MN_CANCEL_REMOVE_DEVICE), STATUS_SUCCESS);
    EXPECT_EQ(extension->State, WORKING);
    EXPECT_EQ(enabledInterfaces(), 1u);

    EXPECT_EQ(pnp.send(pdo, IRP_MN_SURPRISE_REMOVAL), STATUS_SUCCESS);
    EXPECT_EQ(extension->State, SURPRISEREMOVED);
    EXPECT_EQ(enabledInterfaces(), 0u);
    EXPECT_EQ(extension->ConfigurationDescriptor, nullptr);

    recorder->setConnected(false);
    bus->waitForHub();  // the hub sees it gone and removes it
    EXPECT_EQ(bus->physicalDevice(port), nullptr);
}

TEST_F(PnpTest, OrderlyRemovalDeletesTheDevice) {
    const int port = plug();
    DEVICE_OBJECT* pdo = bus->physicalDevice(port);
    const long before = liveDeviceObjects();
    EXPECT_EQ(bus->pnp().removeDevice(pdo), STATUS_SUCCESS);
    EXPECT_EQ(liveDeviceObjects(), before - 1);  // the driver's device; the plugged-in one stays
    EXPECT_EQ(enabledInterfaces(), 0u);
}

TEST_F(PnpTest, QueryRemoveWithOpenHandlesIsRefusedOnTheOlderWdmOnly) {
    {
        const int port = plug();
        KernelFile file;
        ASSERT_EQ(file.status, STATUS_SUCCESS);
        DEVICE_OBJECT* pdo = bus->physicalDevice(port);
        EXPECT_EQ(bus->pnp().send(pdo, IRP_MN_QUERY_REMOVE_DEVICE), STATUS_SUCCESS);
        EXPECT_EQ(bus->pnp().send(pdo, IRP_MN_CANCEL_REMOVE_DEVICE), STATUS_SUCCESS);
    }
    reloadOnOlderWdm();
    const int port = plug();
    DEVICE_OBJECT* pdo = bus->physicalDevice(port);
    DEVICE_EXTENSION* extension = extensionOn(port);
    {
        KernelFile file;
        ASSERT_EQ(file.status, STATUS_SUCCESS);
        EXPECT_EQ(bus->pnp().removeDevice(pdo), STATUS_DEVICE_BUSY);
        EXPECT_EQ(extension->State, WORKING);
    }
    EXPECT_EQ(bus->pnp().send(pdo, IRP_MN_QUERY_REMOVE_DEVICE), STATUS_SUCCESS);
    EXPECT_EQ(extension->State, PENDINGREMOVE);
    EXPECT_EQ(bus->pnp().send(pdo, IRP_MN_CANCEL_REMOVE_DEVICE), STATUS_SUCCESS);
}

TEST_F(PnpTest, RemovalWaitsForRequestsInFlightAndRefusesLaterOnes) {
    const int port = plug();
    DEVICE_EXTENSION* extension = extensionOn(port);
    KernelFile file;
    ASSERT_EQ(file.status, STATUS_SUCCESS);
    const long devices = liveDeviceObjects();

    recorder->hold();
    NTSTATUS readStatus = STATUS_PENDING;
    std::thread reader([&] {
        std::uint8_t buffer[64];
        ULONG_PTR done = 0;
        readStatus = file.read(buffer, sizeof buffer, done);
    });
    recorder->waitUntilHeld();

    std::atomic<bool> pulled{false};
    std::thread unplug([&] {
        bus->pullCable(port);
        pulled = true;
    });
    // The removal goes as far as waiting for the read.
    while (std::atomic_ref<LONG>(extension->State).load() != REMOVED) std::this_thread::yield();
    EXPECT_EQ(enabledInterfaces(), 0u);
    EXPECT_FALSE(pulled.load());
    EXPECT_EQ(liveDeviceObjects(), devices);

    recorder->release();
    reader.join();
    unplug.join();
    EXPECT_TRUE(pulled.load());
    // The transfer already at the recorder finishes normally.
    EXPECT_EQ(readStatus, STATUS_SUCCESS);

    // The handle outlives the device; every request on it is refused.
    std::uint8_t buffer[64];
    ULONG_PTR done = 0;
    EXPECT_EQ(file.read(buffer, sizeof buffer, done), STATUS_DELETE_PENDING);
    EXPECT_EQ(file.write(buffer, sizeof buffer, done), STATUS_DELETE_PENDING);
    EXPECT_EQ(file.control(IOCTL_BEGIN_COMMAND, buffer, sizeof buffer, done),
              STATUS_DELETE_PENDING);
}

TEST_F(PnpTest, ARecorderThatComesBackIsFoundAgain) {
    plug();
    recorder->setConnected(false);
    bus->waitForHub();
    EXPECT_EQ(enabledInterfaces(), 0u);
    recorder->setConnected(true);
    bus->waitForHub();
    EXPECT_EQ(enabledInterfaces(), 1u);
    KernelFile file;
    EXPECT_EQ(file.status, STATUS_SUCCESS);
}

TEST_F(PnpTest, DriverEntryChecksTheWdmVersionAndItsPool) {
    bus.reset();
    driver.reset();
    setWdmVersion(0, 0x90);
    EXPECT_EQ(DriverLoad().status(), STATUS_UNSUCCESSFUL);
    setWdmVersion(1, 0x20);
    failPoolAllocation(kPoolTag);
    EXPECT_EQ(DriverLoad().status(), STATUS_INSUFFICIENT_RESOURCES);
    clearPoolFailures();
    driver = std::make_unique<DriverLoad>();
    bus = std::make_unique<usb::SimulatedBus>(driver->object());
}

TEST_F(PnpTest, AddDeviceUndoesItsWorkWhenThePoolRunsOut) {
    failPoolAllocation(kPoolTag);  // the device name copy
    const int port = plug();
    EXPECT_EQ(extensionOn(port), nullptr);
    EXPECT_EQ(enabledInterfaces(), 0u);
}

}  // namespace
}  // namespace vox::vxr250::testing
