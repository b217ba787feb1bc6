#pragma once
// The driver's routines, by the file that holds them.

#include "usb_driver/device_extension.h"

namespace vox::vxr250 {

// device_pnp.cpp
NTSTATUS AddDevice(DRIVER_OBJECT* driver, DEVICE_OBJECT* physicalDevice);
NTSTATUS DispatchPnp(DEVICE_OBJECT* device, IRP* irp);
// Passes `irp` down with a completion routine that keeps it, waits, and
// returns the lower drivers' status; the caller completes the request.
NTSTATUS forwardAndWait(DEVICE_EXTENSION* extension, IRP* irp);

// device_configuration.cpp
NTSTATUS configureDevice(DEVICE_EXTENSION* extension);
void deconfigureDevice(DEVICE_EXTENSION* extension);

// device_power.cpp
NTSTATUS DispatchPower(DEVICE_OBJECT* device, IRP* irp);
DEVICE_POWER_STATE deviceStateFor(const DEVICE_EXTENSION* extension, SYSTEM_POWER_STATE system);

// dispatch.cpp
NTSTATUS DispatchCreate(DEVICE_OBJECT* device, IRP* irp);
NTSTATUS DispatchClose(DEVICE_OBJECT* device, IRP* irp);
NTSTATUS DispatchCleanup(DEVICE_OBJECT* device, IRP* irp);
NTSTATUS DispatchDeviceControl(DEVICE_OBJECT* device, IRP* irp);
NTSTATUS DispatchInternalDeviceControl(DEVICE_OBJECT* device, IRP* irp);
NTSTATUS completeRequest(IRP* irp, NTSTATUS status, ULONG_PTR information = 0);

// bulk_io.cpp
NTSTATUS DispatchReadWrite(DEVICE_OBJECT* device, IRP* irp);

// usb_requests.cpp: requests sent to the bus driver and waited for.
NTSTATUS submitUrb(DEVICE_EXTENSION* extension, URB* urb);
NTSTATUS resetPipe(DEVICE_EXTENSION* extension, USBD_PIPE_HANDLE pipe);
NTSTATUS resetPort(DEVICE_EXTENSION* extension);
NTSTATUS vendorRequest(DEVICE_EXTENSION* extension, UCHAR request, USHORT value, USHORT index);
// Resets `pipe`, and the port when that fails.
void recoverPipe(DEVICE_EXTENSION* extension, USBD_PIPE_HANDLE pipe);

}  // namespace vox::vxr250
