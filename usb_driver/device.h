#pragma once
// The driver's routines, by the file that holds them.

#include "usb_driver/device_extension.h"

namespace vox::vxr250 {

// device_pnp.cpp
kernel::NTSTATUS AddDevice(kernel::DRIVER_OBJECT* driver, kernel::DEVICE_OBJECT* physicalDevice);
kernel::NTSTATUS DispatchPnp(kernel::DEVICE_OBJECT* device, kernel::IRP* irp);
// Passes `irp` down with a completion routine that keeps it, waits, and
// returns the lower drivers' status; the caller completes the request.
kernel::NTSTATUS forwardAndWait(DEVICE_EXTENSION* extension, kernel::IRP* irp);

// device_configuration.cpp
kernel::NTSTATUS configureDevice(DEVICE_EXTENSION* extension);
void deconfigureDevice(DEVICE_EXTENSION* extension);

// device_power.cpp
kernel::NTSTATUS DispatchPower(kernel::DEVICE_OBJECT* device, kernel::IRP* irp);
// The device state the recorder takes for a system state: D0 while working,
// else the bus's mapping where that is D3, and D3 where it maps to a lighter
// state or to none. Inline, so that the tests reach it while the library
// exports nothing but its entry point.
inline kernel::DEVICE_POWER_STATE deviceStateFor(const DEVICE_EXTENSION* extension,
                                                 kernel::SYSTEM_POWER_STATE system) {
    using namespace kernel;
    if (system == PowerSystemWorking) return PowerDeviceD0;
    const DEVICE_POWER_STATE mapped = system > PowerSystemUnspecified && system < PowerSystemMaximum
                                          ? extension->Capabilities.DeviceState[system]
                                          : PowerDeviceUnspecified;
    // The recorder keeps no light sleep state: where the bus maps a sleep
    // state to none, D0, D1 or D2 (or to no valid state), it sleeps in D3.
    if (mapped == PowerDeviceUnspecified || mapped == PowerDeviceD0 || mapped == PowerDeviceD1 ||
        mapped == PowerDeviceD2 || mapped >= PowerDeviceMaximum) {
        return PowerDeviceD3;
    }
    return mapped;
}

// dispatch.cpp
kernel::NTSTATUS DispatchCreate(kernel::DEVICE_OBJECT* device, kernel::IRP* irp);
kernel::NTSTATUS DispatchClose(kernel::DEVICE_OBJECT* device, kernel::IRP* irp);
kernel::NTSTATUS DispatchCleanup(kernel::DEVICE_OBJECT* device, kernel::IRP* irp);
kernel::NTSTATUS DispatchDeviceControl(kernel::DEVICE_OBJECT* device, kernel::IRP* irp);
kernel::NTSTATUS DispatchInternalDeviceControl(kernel::DEVICE_OBJECT* device, kernel::IRP* irp);
kernel::NTSTATUS completeRequest(kernel::IRP* irp, kernel::NTSTATUS status,
                                 kernel::ULONG_PTR information = 0);

// bulk_io.cpp
kernel::NTSTATUS DispatchReadWrite(kernel::DEVICE_OBJECT* device, kernel::IRP* irp);

// usb_requests.cpp: requests sent to the bus driver and waited for.
kernel::NTSTATUS submitUrb(DEVICE_EXTENSION* extension, usb::URB* urb);
kernel::NTSTATUS resetPipe(DEVICE_EXTENSION* extension, usb::USBD_PIPE_HANDLE pipe);
kernel::NTSTATUS resetPort(DEVICE_EXTENSION* extension);
kernel::NTSTATUS vendorRequest(DEVICE_EXTENSION* extension, kernel::UCHAR request,
                               kernel::USHORT value, kernel::USHORT index);
// Resets `pipe`, and the port when that fails.
void recoverPipe(DEVICE_EXTENSION* extension, usb::USBD_PIPE_HANDLE pipe);

}  // namespace vox::vxr250
