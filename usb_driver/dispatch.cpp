// Opening and closing handles, and the device control codes.

#include <cstring>

#include "usb_driver/device.h"
#include "usb_driver/vxr250_public.h"

namespace vox::vxr250 {

using namespace vox::kernel;
using namespace vox::usb;
namespace {

NTSTATUS copyConfigurationDescriptor(DEVICE_EXTENSION* extension, IRP* irp, ULONG outputLength,
                                     ULONG_PTR* copied) {
    *copied = 0;
    KIRQL old;
    KeAcquireSpinLock(&extension->DescriptorLock, &old);
    NTSTATUS status = STATUS_SUCCESS;
    const USB_CONFIGURATION_DESCRIPTOR* descriptor = extension->ConfigurationDescriptor;
    if (descriptor == nullptr) {
        status = STATUS_DEVICE_DATA_ERROR;
    } else if (outputLength < descriptor->wTotalLength ||
               irp->AssociatedIrp.SystemBuffer == nullptr) {
        status = STATUS_INVALID_PARAMETER;
    } else {
        std::memcpy(irp->AssociatedIrp.SystemBuffer, descriptor, descriptor->wTotalLength);
        *copied = descriptor->wTotalLength;
    }
    KeReleaseSpinLock(&extension->DescriptorLock, old);
    return status;
}

}  // namespace

NTSTATUS completeRequest(IRP* irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

// The file name after the device path ("\PIPE00", "\PIPE01") is not looked
// at: reads always use the in pipe and writes the out pipe.
NTSTATUS DispatchCreate(DEVICE_OBJECT* device, IRP* irp) {
    DEVICE_EXTENSION* extension = extensionOf(device);
    const NTSTATUS locked = IoAcquireRemoveLock(&extension->RemoveLock, irp);
    if (!NT_SUCCESS(locked)) return completeRequest(irp, locked);
    InterlockedIncrement(&extension->OpenCount);
    completeRequest(irp, STATUS_SUCCESS);
    IoReleaseRemoveLock(&extension->RemoveLock, irp);
    return STATUS_SUCCESS;
}

NTSTATUS DispatchClose(DEVICE_OBJECT* device, IRP* irp) {
    DEVICE_EXTENSION* extension = extensionOf(device);
    const NTSTATUS locked = IoAcquireRemoveLock(&extension->RemoveLock, irp);
    if (!NT_SUCCESS(locked)) return completeRequest(irp, locked);
    InterlockedDecrement(&extension->OpenCount);
    completeRequest(irp, STATUS_SUCCESS);
    IoReleaseRemoveLock(&extension->RemoveLock, irp);
    return STATUS_SUCCESS;
}

NTSTATUS DispatchCleanup(DEVICE_OBJECT* device, IRP* irp) {
    DEVICE_EXTENSION* extension = extensionOf(device);
    const NTSTATUS locked = IoAcquireRemoveLock(&extension->RemoveLock, irp);
    if (!NT_SUCCESS(locked)) return completeRequest(irp, locked);
    completeRequest(irp, STATUS_SUCCESS);
    IoReleaseRemoveLock(&extension->RemoveLock, irp);
    return STATUS_SUCCESS;
}

NTSTATUS DispatchDeviceControl(DEVICE_OBJECT* device, IRP* irp) {
    DEVICE_EXTENSION* extension = extensionOf(device);
    const NTSTATUS locked = IoAcquireRemoveLock(&extension->RemoveLock, irp);
    if (!NT_SUCCESS(locked)) return completeRequest(irp, locked);

    const IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
    const ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    NTSTATUS status = STATUS_SUCCESS;
    ULONG_PTR information = 0;
    if (code == IOCTL_GET_CONFIG_DESCRIPTOR) {
        status = copyConfigurationDescriptor(
            extension, irp, stack->Parameters.DeviceIoControl.OutputBufferLength, &information);
    } else if (code == IOCTL_RESET_PORT) {
        status = resetPort(extension);
    } else if (code == IOCTL_NOP) {
        status = STATUS_SUCCESS;
    } else if (const auto vendor = vendorRequestFor(code)) {
        status = vendorRequest(extension, vendor->request, vendor->value, vendor->index);
    } else {
        status = STATUS_INVALID_DEVICE_REQUEST;
    }
    completeRequest(irp, status, information);
    IoReleaseRemoveLock(&extension->RemoveLock, irp);
    return status;
}

NTSTATUS DispatchInternalDeviceControl(DEVICE_OBJECT* device, IRP* irp) {
    DEVICE_EXTENSION* extension = extensionOf(device);
    const NTSTATUS locked = IoAcquireRemoveLock(&extension->RemoveLock, irp);
    if (!NT_SUCCESS(locked)) return completeRequest(irp, locked);
    IoSkipCurrentIrpStackLocation(irp);
    const NTSTATUS status = IoCallDriver(extension->LowerDevice, irp);
    IoReleaseRemoveLock(&extension->RemoveLock, irp);
    return status;
}

}  // namespace vox::vxr250
