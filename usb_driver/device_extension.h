#pragma once
// What the driver keeps per recorder (the device extension) and for itself.

#include "platform/usb/usbd.h"

namespace vox::vxr250 {

// Plug-and-play states.
constexpr kernel::LONG STOPPED = 0;
constexpr kernel::LONG WORKING = 1;
constexpr kernel::LONG PENDINGSTOP = 2;
constexpr kernel::LONG PENDINGREMOVE = 3;
constexpr kernel::LONG SURPRISEREMOVED = 4;
constexpr kernel::LONG REMOVED = 5;

// Every pool allocation of the driver carries this tag (bytes 57 64 6D 20).
constexpr kernel::ULONG kPoolTag = kernel::poolTag("Wdm ");
// Bytes per bulk stage.
constexpr kernel::ULONG kMaximumTransfer = 4096;

struct DEVICE_EXTENSION {
    kernel::DEVICE_OBJECT* DeviceObject;
    kernel::DEVICE_OBJECT* LowerDevice;
    kernel::DEVICE_OBJECT* PhysicalDevice;
    kernel::IO_REMOVE_LOCK RemoveLock;
    kernel::UNICODE_STRING InterfaceName;
    kernel::LONG State;
    kernel::LONG SavedState;
    kernel::LONG DevicePower;  // DEVICE_POWER_STATE
    kernel::LONG SystemPower;  // SYSTEM_POWER_STATE
    kernel::DEVICE_CAPABILITIES Capabilities;
    kernel::LONG OpenCount;
    usb::USB_DEVICE_DESCRIPTOR DeviceDescriptor;
    usb::USBD_CONFIGURATION_HANDLE ConfigurationHandle;
    usb::USB_CONFIGURATION_DESCRIPTOR* ConfigurationDescriptor;
    kernel::USHORT LanguageId;
    usb::USBD_PIPE_HANDLE OutPipe;
    usb::USBD_PIPE_HANDLE InPipe;
    kernel::ULONG MaximumTransfer;
    kernel::LONG ResetInPipe;
    kernel::LONG ResetOutPipe;
    kernel::UNICODE_STRING DeviceName;
    // Held while the configuration descriptor is read or replaced, so a
    // descriptor request never sees one that a deconfiguration frees.
    kernel::KSPIN_LOCK DescriptorLock;
};

inline DEVICE_EXTENSION* extensionOf(kernel::DEVICE_OBJECT* device) {
    return static_cast<DEVICE_EXTENSION*>(device->DeviceExtension);
}

struct DriverGlobals {
    kernel::UNICODE_STRING RegistryPath;  // copy, NUL-terminated, paged pool
    bool OlderWdm;                        // WDM 1.10 not available
    kernel::LONG DeviceCounter;           // starts at -1: the first device is number 0
};
DriverGlobals& driverGlobals();

}  // namespace vox::vxr250
