// The driver's entry point and its unload routine.

#include <cstring>

#include "usb_driver/device.h"
#include "usb_driver/vxr250.h"

namespace vox::vxr250 {

using namespace vox::kernel;
using namespace vox::usb;
namespace {

DriverGlobals globals{};

void DriverUnload(DRIVER_OBJECT*) {
    if (globals.RegistryPath.Buffer != nullptr)
        ExFreePoolWithTag(globals.RegistryPath.Buffer, kPoolTag);
    globals.RegistryPath = UNICODE_STRING{};
}

}  // namespace

DriverGlobals& driverGlobals() {
    return globals;
}

}  // namespace vox::vxr250

using namespace vox::vxr250;

extern "C" NTSTATUS DriverEntry(DRIVER_OBJECT* driver, UNICODE_STRING* registryPath) {
    if (!IoIsWdmVersionAvailable(1, 0)) return STATUS_UNSUCCESSFUL;
    DriverGlobals& g = driverGlobals();
    g.OlderWdm = !IoIsWdmVersionAvailable(1, 0x10);
    g.DeviceCounter = -1;

    const USHORT bytes = registryPath->Length;
    auto* copy =
        static_cast<WCHAR*>(ExAllocatePoolWithTag(PagedPool, bytes + sizeof(WCHAR), kPoolTag));
    if (copy == nullptr) return STATUS_INSUFFICIENT_RESOURCES;
    std::memcpy(copy, registryPath->Buffer, bytes);
    copy[bytes / sizeof(WCHAR)] = 0;
    g.RegistryPath.Buffer = copy;
    g.RegistryPath.Length = bytes;
    g.RegistryPath.MaximumLength = static_cast<USHORT>(bytes + sizeof(WCHAR));

    driver->DriverUnload = &DriverUnload;
    driver->DriverExtension->AddDevice = &AddDevice;
    driver->MajorFunction[IRP_MJ_CREATE] = &DispatchCreate;
    driver->MajorFunction[IRP_MJ_CLOSE] = &DispatchClose;
    driver->MajorFunction[IRP_MJ_CLEANUP] = &DispatchCleanup;
    driver->MajorFunction[IRP_MJ_READ] = &DispatchReadWrite;
    driver->MajorFunction[IRP_MJ_WRITE] = &DispatchReadWrite;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = &DispatchDeviceControl;
    driver->MajorFunction[IRP_MJ_INTERNAL_DEVICE_CONTROL] = &DispatchInternalDeviceControl;
    driver->MajorFunction[IRP_MJ_POWER] = &DispatchPower;
    driver->MajorFunction[IRP_MJ_PNP] = &DispatchPnp;
    return STATUS_SUCCESS;
}
