// Requests to the bus driver that the driver sends and waits for.

#include <cstring>

#include "usb_driver/device.h"

namespace vox::vxr250 {

using namespace vox::kernel;
using namespace vox::usb;
namespace {

NTSTATUS sendInternalControl(DEVICE_EXTENSION* extension, ULONG code, URB* urb) {
    KEVENT done;
    KeInitializeEvent(&done, NotificationEvent, FALSE);
    IO_STATUS_BLOCK ioStatus{};
    IRP* irp = IoBuildDeviceIoControlRequest(code, extension->LowerDevice, nullptr, 0, nullptr, 0,
                                             TRUE, &done, &ioStatus);
    if (irp == nullptr) return STATUS_INSUFFICIENT_RESOURCES;
    IoGetNextIrpStackLocation(irp)->Parameters.Others.Argument1 = urb;
    NTSTATUS status = IoCallDriver(extension->LowerDevice, irp);
    if (status == STATUS_PENDING) {
        KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, nullptr);
        status = ioStatus.Status;
    }
    return status;
}

template <typename Request>
Request* allocateRequest() {
    return static_cast<Request*>(ExAllocatePoolWithTag(NonPagedPool, sizeof(Request), kPoolTag));
}

}  // namespace

NTSTATUS submitUrb(DEVICE_EXTENSION* extension, URB* urb) {
    return sendInternalControl(extension, IOCTL_INTERNAL_USB_SUBMIT_URB, urb);
}

NTSTATUS resetPort(DEVICE_EXTENSION* extension) {
    return sendInternalControl(extension, IOCTL_INTERNAL_USB_RESET_PORT, nullptr);
}

NTSTATUS resetPipe(DEVICE_EXTENSION* extension, USBD_PIPE_HANDLE pipe) {
    auto* request = allocateRequest<_URB_PIPE_REQUEST>();
    if (request == nullptr) return STATUS_INSUFFICIENT_RESOURCES;
    request->Hdr.Length = kUrbLengthPipeRequest;
    request->Hdr.Function = URB_FUNCTION_RESET_PIPE;
    request->PipeHandle = pipe;
    const NTSTATUS status = submitUrb(extension, reinterpret_cast<URB*>(request));
    ExFreePoolWithTag(request, kPoolTag);
    return status;
}

void recoverPipe(DEVICE_EXTENSION* extension, USBD_PIPE_HANDLE pipe) {
    if (!NT_SUCCESS(resetPipe(extension, pipe))) resetPort(extension);
}

NTSTATUS vendorRequest(DEVICE_EXTENSION* extension, UCHAR request, USHORT value, USHORT index) {
    auto* block = allocateRequest<_URB_CONTROL_VENDOR_OR_CLASS_REQUEST>();
    if (block == nullptr) return STATUS_INSUFFICIENT_RESOURCES;
    block->Hdr.Length = kUrbLengthVendorRequest;
    block->Hdr.Function = URB_FUNCTION_VENDOR_ENDPOINT;
    block->TransferFlags = USBD_SHORT_TRANSFER_OK;  // host to device
    block->Request = request;
    block->Value = value;
    block->Index = index;
    const NTSTATUS status = submitUrb(extension, reinterpret_cast<URB*>(block));
    ExFreePoolWithTag(block, kPoolTag);
    return status;
}

}  // namespace vox::vxr250
