#pragma once
// What the driver keeps per recorder (the device extension) and for itself.

#include "platform/usb/usbd.h"

namespace vox::vxr250 {

using namespace vox::usb;

// Plug-and-play states.
constexpr LONG STOPPED = 0;
constexpr LONG WORKING = 1;
constexpr LONG PENDINGSTOP = 2;
constexpr LONG PENDINGREMOVE = 3;
constexpr LONG SURPRISEREMOVED = 4;
constexpr LONG REMOVED = 5;

// Every pool allocation of the driver carries this tag (bytes 57 64 6D 20).
constexpr ULONG kPoolTag = poolTag("Wdm ");
// Bytes per bulk stage.
constexpr ULONG kMaximumTransfer = 4096;

struct DEVICE_EXTENSION {
    DEVICE_OBJECT* DeviceObject;
    DEVICE_OBJECT* LowerDevice;
    DEVICE_OBJECT* PhysicalDevice;
    IO_REMOVE_LOCK RemoveLock;
    UNICODE_STRING InterfaceName;
    LONG State;
    LONG SavedState;
    LONG DevicePower;  // DEVICE_POWER_STATE
    LONG SystemPower;  // SYSTEM_POWER_STATE
    DEVICE_CAPABILITIES Capabilities;
    LONG OpenCount;
    USB_DEVICE_DESCRIPTOR DeviceDescriptor;
    USBD_CONFIGURATION_HANDLE ConfigurationHandle;
    USB_CONFIGURATION_DESCRIPTOR* ConfigurationDescriptor;
    USHORT LanguageId;
    USBD_PIPE_HANDLE OutPipe;
    USBD_PIPE_HANDLE InPipe;
    ULONG MaximumTransfer;
    LONG ResetInPipe;
    LONG ResetOutPipe;
    UNICODE_STRING DeviceName;
    // Held while the configuration descriptor is read or replaced, so a
    // descriptor request never sees one that a deconfiguration frees.
    KSPIN_LOCK DescriptorLock;
};

inline DEVICE_EXTENSION* extensionOf(DEVICE_OBJECT* device) {
    return static_cast<DEVICE_EXTENSION*>(device->DeviceExtension);
}

struct DriverGlobals {
    UNICODE_STRING RegistryPath;  // copy, NUL-terminated, paged pool
    bool OlderWdm;                // WDM 1.10 not available
    LONG DeviceCounter;           // starts at -1: the first device is number 0
};
DriverGlobals& driverGlobals();

}  // namespace vox::vxr250
