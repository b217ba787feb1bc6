// Reads from the bulk in pipe and writes to the bulk out pipe, in stages of
// at most 4,096 bytes. Each stage is sent to the bus driver with a
// completion routine that sends the next one, so a request goes back to its
// caller only once all of it has moved or a stage failed.

#include "usb_driver/device.h"

namespace vox::vxr250 {

using namespace vox::kernel;
using namespace vox::usb;
namespace {

// One per read or write request.
struct BULK_TRANSFER_CONTEXT {
    _URB_BULK_OR_INTERRUPT_TRANSFER Urb;
    UCHAR* StageStart;  // the buffer's first byte
    ULONG Remaining;    // bytes of the request not yet asked for
    ULONG Requested;    // bytes asked for in stages so far
    MDL* PartialMdl;
    ULONG Transferred;  // bytes that moved so far
    DEVICE_EXTENSION* Extension;
    LONG* ResetFlag;  // the pipe's reset flag
};

NTSTATUS stageCompleted(DEVICE_OBJECT* device, IRP* irp, PVOID context);

// Points the partial descriptor at the next stage, maps it and sends the
// stage down. False when the mapping fails.
bool sendStage(BULK_TRANSFER_CONTEXT* transfer, IRP* irp, ULONG length) {
    // A stage starts where the data so far ends: after a short stage the
    // next one goes on right behind what arrived, so the request's bytes
    // stay together at the front of the buffer.
    UCHAR* at = transfer->StageStart + transfer->Transferred;
    IoBuildPartialMdl(irp->MdlAddress, transfer->PartialMdl, at, length);
    if (MmGetSystemAddressForMdlSafe(transfer->PartialMdl, NormalPagePriority) == nullptr)
        return false;
    transfer->Urb.TransferBufferLength = length;
    transfer->Urb.TransferBufferMDL = transfer->PartialMdl;
    transfer->Urb.TransferBuffer = nullptr;
    transfer->Requested += length;
    transfer->Remaining -= length;

    IO_STACK_LOCATION* next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
    next->Parameters.DeviceIoControl.IoControlCode = IOCTL_INTERNAL_USB_SUBMIT_URB;
    next->Parameters.Others.Argument1 = &transfer->Urb;
    IoSetCompletionRoutine(irp, &stageCompleted, transfer, TRUE, TRUE, TRUE);
    return true;
}

void finishTransfer(BULK_TRANSFER_CONTEXT* transfer, IRP* irp, NTSTATUS status) {
    DEVICE_EXTENSION* extension = transfer->Extension;
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = transfer->Transferred;
    IoFreeMdl(transfer->PartialMdl);
    ExFreePoolWithTag(transfer, kPoolTag);
    IoReleaseRemoveLock(&extension->RemoveLock, irp);
}

NTSTATUS stageCompleted(DEVICE_OBJECT*, IRP* irp, PVOID context) {
    auto* transfer = static_cast<BULK_TRANSFER_CONTEXT*>(context);
    if (irp->PendingReturned) IoMarkIrpPending(irp);
    const NTSTATUS status = irp->IoStatus.Status;
    transfer->Transferred += transfer->Urb.TransferBufferLength;
    if (!NT_SUCCESS(status)) {
        InterlockedIncrement(transfer->ResetFlag);
        finishTransfer(transfer, irp, status);
        return STATUS_CONTINUE_COMPLETION;
    }
    if (transfer->Remaining == 0) {
        finishTransfer(transfer, irp, STATUS_SUCCESS);
        return STATUS_CONTINUE_COMPLETION;
    }
    const ULONG length =
        transfer->Remaining < kMaximumTransfer ? transfer->Remaining : kMaximumTransfer;
    MmPrepareMdlForReuse(transfer->PartialMdl);
    if (!sendStage(transfer, irp, length)) {
        InterlockedIncrement(transfer->ResetFlag);
        finishTransfer(transfer, irp, STATUS_INSUFFICIENT_RESOURCES);
        return STATUS_CONTINUE_COMPLETION;
    }
    IoCallDriver(transfer->Extension->LowerDevice, irp);
    return STATUS_MORE_PROCESSING_REQUIRED;
}

}  // namespace

NTSTATUS DispatchReadWrite(DEVICE_OBJECT* device, IRP* irp) {
    DEVICE_EXTENSION* extension = extensionOf(device);
    NTSTATUS status = IoAcquireRemoveLock(&extension->RemoveLock, irp);
    if (!NT_SUCCESS(status)) return completeRequest(irp, status);

    const IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
    const bool read = stack->MajorFunction == IRP_MJ_READ;
    USBD_PIPE_HANDLE pipe = read ? extension->InPipe : extension->OutPipe;
    LONG* resetFlag = read ? &extension->ResetInPipe : &extension->ResetOutPipe;
    if (InterlockedExchange(resetFlag, 0) != 0) recoverPipe(extension, pipe);

    const ULONG total = read ? stack->Parameters.Read.Length : stack->Parameters.Write.Length;
    if (irp->MdlAddress == nullptr || total == 0) {
        completeRequest(irp, STATUS_SUCCESS, 0);
        IoReleaseRemoveLock(&extension->RemoveLock, irp);
        return STATUS_SUCCESS;
    }

    auto* transfer = static_cast<BULK_TRANSFER_CONTEXT*>(
        ExAllocatePoolWithTag(NonPagedPool, sizeof(BULK_TRANSFER_CONTEXT), kPoolTag));
    UCHAR* start = static_cast<UCHAR*>(MmGetMdlVirtualAddress(irp->MdlAddress));
    MDL* partial = transfer != nullptr
                       ? IoAllocateMdl(start, kMaximumTransfer, FALSE, FALSE, nullptr)
                       : nullptr;
    if (partial == nullptr) {
        if (transfer != nullptr) ExFreePoolWithTag(transfer, kPoolTag);
        completeRequest(irp, STATUS_INSUFFICIENT_RESOURCES);
        IoReleaseRemoveLock(&extension->RemoveLock, irp);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    transfer->Urb.Hdr.Length = kUrbLengthBulkTransfer;
    transfer->Urb.Hdr.Function = URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER;
    transfer->Urb.PipeHandle = pipe;
    transfer->Urb.TransferFlags =
        read ? USBD_TRANSFER_DIRECTION_IN | USBD_SHORT_TRANSFER_OK : USBD_SHORT_TRANSFER_OK;
    transfer->StageStart = start;
    transfer->Remaining = total;
    transfer->PartialMdl = partial;
    transfer->Extension = extension;
    transfer->ResetFlag = resetFlag;
    if (!sendStage(transfer, irp, total < kMaximumTransfer ? total : kMaximumTransfer)) {
        IoFreeMdl(partial);
        ExFreePoolWithTag(transfer, kPoolTag);
        completeRequest(irp, STATUS_INSUFFICIENT_RESOURCES);
        IoReleaseRemoveLock(&extension->RemoveLock, irp);
        return STATUS_INSUFFICIENT_RESOURCES;
    }

    // The request may complete (and give back its hold on the lock) before
    // IoCallDriver returns; a hold of our own keeps the device for the pipe
    // recovery. Without it removal has begun and there is nothing to recover.
    const bool held = NT_SUCCESS(IoAcquireRemoveLock(&extension->RemoveLock, nullptr));
    IoMarkIrpPending(irp);
    status = IoCallDriver(extension->LowerDevice, irp);
    if (held) {
        if (!NT_SUCCESS(status)) recoverPipe(extension, pipe);
        IoReleaseRemoveLock(&extension->RemoveLock, nullptr);
    }
    return STATUS_PENDING;
}

}  // namespace vox::vxr250
