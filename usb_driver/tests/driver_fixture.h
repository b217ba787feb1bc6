#pragma once
// VXR250 loaded on a simulated bus with one fake recorder plugged in, and
// files opened through the kernel layer as user mode opens them.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/kernel/wdm.h"
#include "platform/usb/simulated_bus.h"
#include "usb_driver/device_extension.h"
#include "usb_driver/tests/fake_recorder.h"
#include "usb_driver/vxr250.h"
#include "usb_driver/vxr250_public.h"

namespace vox::vxr250::testing {

using namespace vox::kernel;

inline GUID recorderClass() {
    GUID guid{};
    parseGuid(kRecorderInterfaceClass, guid);
    return guid;
}

// A kernel file on the recorder's first interface, closed at the end.
class KernelFile {
  public:
    explicit KernelFile(const std::string& suffix = "\\PIPE00") {
        const auto links = enabledDeviceInterfaces(recorderClass());
        status = links.empty() ? STATUS_OBJECT_NAME_NOT_FOUND
                               : IoOpenFile(links.front() + widen(suffix), &file);
    }
    ~KernelFile() {
        if (file != nullptr) IoCloseFile(file);
    }
    NTSTATUS write(const void* data, ULONG length, ULONG_PTR& done) {
        return IoWriteFile(file, data, length, &done);
    }
    NTSTATUS read(void* data, ULONG length, ULONG_PTR& done) {
        return IoReadFile(file, data, length, &done);
    }
    NTSTATUS control(ULONG code, void* out, ULONG outLength, ULONG_PTR& returned) {
        std::uint8_t in[64] = {};
        return IoDeviceIoControlFile(file, code, in, sizeof in, out, outLength, &returned);
    }

    FILE_OBJECT* file = nullptr;
    NTSTATUS status = STATUS_SUCCESS;
};

class DriverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        poolBefore = poolUsage(kPoolTag).blocks;
        devicesBefore = liveDeviceObjects();
        driver = std::make_unique<DriverLoad>();
        ASSERT_NE(driver->object(), nullptr);
        bus = std::make_unique<usb::SimulatedBus>(driver->object());
    }

    void TearDown() override {
        bus.reset();
        driver.reset();
        setWdmVersion(1, 0x20);
        clearPoolFailures();
        clearMdlMappingFailures();
        // Whatever the driver took, it gave back.
        EXPECT_EQ(poolUsage(kPoolTag).blocks, poolBefore);
        EXPECT_EQ(liveDeviceObjects(), devicesBefore);
        EXPECT_EQ(liveMdlMappings(), 0);
    }

    int plug(usb::DescriptorVariant variant = usb::DescriptorVariant::Recorder) {
        return bus->plugIn(recorder, variant);
    }

    // The driver's device on a port (the top of its stack).
    DEVICE_EXTENSION* extensionOn(int port) {
        DEVICE_OBJECT* pdo = bus->physicalDevice(port);
        if (pdo == nullptr || pdo->AttachedDevice == nullptr) return nullptr;
        return extensionOf(pdo->AttachedDevice);
    }

    std::shared_ptr<FakeRecorder> recorder = std::make_shared<FakeRecorder>();
    std::unique_ptr<DriverLoad> driver;
    std::unique_ptr<usb::SimulatedBus> bus;
    std::size_t poolBefore = 0;
    long devicesBefore = 0;
};

}  // namespace vox::vxr250::testing
