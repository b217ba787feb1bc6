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
kernel::DEVICE_POWER_STATE deviceStateFor(const DEVICE_EXTENSION* extension,
                                          kernel::SYSTEM_POWER_STATE system);

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
