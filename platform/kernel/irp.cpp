// I/O request packets: allocation, passing down the stack, completion.

#include <cstring>
#include <deque>
#include <new>

#include "platform/kernel/io_manager.h"
#include "platform/kernel/pool.h"

namespace vox::kernel {
namespace {

constexpr ULONG kIrpTag = poolTag("Irp ");
constexpr ULONG kSystemBufferTag = poolTag("IoSb");

// Completions requested while this thread is already completing a request
// wait here until the outer completion is done.
thread_local int completionDepth = 0;
thread_local std::deque<IRP*> deferredCompletions;

bool routineApplies(const IO_STACK_LOCATION& location, const IRP& irp) {
    if (location.CompletionRoutine == nullptr) return false;
    if (irp.Cancel) return (location.Control & SL_INVOKE_ON_CANCEL) != 0;
    if (NT_SUCCESS(irp.IoStatus.Status)) return (location.Control & SL_INVOKE_ON_SUCCESS) != 0;
    return (location.Control & SL_INVOKE_ON_ERROR) != 0;
}

// The I/O manager's part once no driver keeps the request any more.
void finishIoManagerRequest(IRP* irp) {
    if (irp->AssociatedIrp.SystemBuffer != nullptr) {
        if (irp->UserBuffer != nullptr && NT_SUCCESS(irp->IoStatus.Status)) {
            const ULONG_PTR back = irp->IoStatus.Information < irp->UserBufferLength
                                       ? irp->IoStatus.Information
                                       : irp->UserBufferLength;
            std::memcpy(irp->UserBuffer, irp->AssociatedIrp.SystemBuffer, back);
        }
        ExFreePoolWithTag(irp->AssociatedIrp.SystemBuffer, kSystemBufferTag);
        irp->AssociatedIrp.SystemBuffer = nullptr;
    }
    if (irp->MdlAddress != nullptr) {
        MmUnlockPages(irp->MdlAddress);
        IoFreeMdl(irp->MdlAddress);
        irp->MdlAddress = nullptr;
    }
    if (irp->UserIosb != nullptr) *irp->UserIosb = irp->IoStatus;
    KEVENT* event = irp->UserEvent;
    IoFreeIrp(irp);
    if (event != nullptr) KeSetEvent(event, 0, FALSE);
}

void completeOne(IRP* irp) {
    while (irp->CurrentLocation >= 0) {
        IO_STACK_LOCATION& location = irp->Stack[irp->CurrentLocation];
        irp->PendingReturned = (location.Control & SL_PENDING_RETURNED) != 0;
        const bool invoke = routineApplies(location, *irp);
        const PIO_COMPLETION_ROUTINE routine = location.CompletionRoutine;
        PVOID context = location.Context;
        // The routine belongs to the driver above and sees its own location.
        --irp->CurrentLocation;
        DEVICE_OBJECT* upper =
            irp->CurrentLocation >= 0 ? irp->Stack[irp->CurrentLocation].DeviceObject : nullptr;
        if (invoke) {
            if (routine(upper, irp, context) == STATUS_MORE_PROCESSING_REQUIRED) return;
        } else if (irp->PendingReturned && irp->CurrentLocation >= 0) {
            IoMarkIrpPending(irp);
        }
    }
    if (irp->Owner == IrpOwner::IoManager) {
        finishIoManagerRequest(irp);
    } else if (irp->UserEvent != nullptr || irp->UserIosb != nullptr) {
        if (irp->UserIosb != nullptr) *irp->UserIosb = irp->IoStatus;
        if (irp->UserEvent != nullptr) KeSetEvent(irp->UserEvent, 0, FALSE);
    }
}

}  // namespace

IRP* IoAllocateIrp(CCHAR stackSize, BOOLEAN) {
    if (stackSize < 1) KeBugCheck("IoAllocateIrp: no stack locations");
    const std::size_t bytes =
        sizeof(IRP) + sizeof(IO_STACK_LOCATION) * static_cast<std::size_t>(stackSize);
    void* block = ExAllocatePoolWithTag(NonPagedPool, bytes, kIrpTag);
    if (block == nullptr) return nullptr;
    auto* irp = new (block) IRP{};
    irp->StackCount = stackSize;
    irp->CurrentLocation = -1;
    irp->Owner = IrpOwner::Caller;
    irp->Stack = new (static_cast<char*>(block) + sizeof(IRP))
        IO_STACK_LOCATION[static_cast<std::size_t>(stackSize)]{};
    return irp;
}

void IoFreeIrp(IRP* irp) {
    ExFreePoolWithTag(irp, kIrpTag);
}

IRP* IoBuildDeviceIoControlRequest(ULONG code, DEVICE_OBJECT* device, PVOID input,
                                   ULONG inputLength, PVOID output, ULONG outputLength,
                                   BOOLEAN internal, KEVENT* event, IO_STATUS_BLOCK* ioStatus) {
    IRP* irp = IoAllocateIrp(device->StackSize, FALSE);
    if (irp == nullptr) return nullptr;
    irp->Owner = IrpOwner::IoManager;
    irp->UserEvent = event;
    irp->UserIosb = ioStatus;
    IO_STACK_LOCATION* next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = internal ? IRP_MJ_INTERNAL_DEVICE_CONTROL : IRP_MJ_DEVICE_CONTROL;
    next->Parameters.DeviceIoControl.IoControlCode = code;
    next->Parameters.DeviceIoControl.InputBufferLength = inputLength;
    next->Parameters.DeviceIoControl.OutputBufferLength = outputLength;
    if (methodOf(code) == METHOD_BUFFERED) {
        const ULONG size = inputLength > outputLength ? inputLength : outputLength;
        if (size != 0) {
            irp->AssociatedIrp.SystemBuffer =
                ExAllocatePoolWithTag(NonPagedPool, size, kSystemBufferTag);
            if (irp->AssociatedIrp.SystemBuffer == nullptr) {
                IoFreeIrp(irp);
                return nullptr;
            }
            if (input != nullptr && inputLength != 0) {
                std::memcpy(irp->AssociatedIrp.SystemBuffer, input, inputLength);
            }
        }
    } else {
        // The driver reads `input` and writes `output` in place.
        next->Parameters.DeviceIoControl.Type3InputBuffer = input;
    }
    irp->UserBuffer = output;
    irp->UserBufferLength = outputLength;
    return irp;
}

void IoCopyCurrentIrpStackLocationToNext(IRP* irp) {
    IO_STACK_LOCATION* current = IoGetCurrentIrpStackLocation(irp);
    IO_STACK_LOCATION* next = IoGetNextIrpStackLocation(irp);
    *next = *current;
    next->CompletionRoutine = nullptr;
    next->Context = nullptr;
    next->Control = 0;
}

void IoSetCompletionRoutine(IRP* irp, PIO_COMPLETION_ROUTINE routine, PVOID context,
                            BOOLEAN onSuccess, BOOLEAN onError, BOOLEAN onCancel) {
    IO_STACK_LOCATION* next = IoGetNextIrpStackLocation(irp);
    next->CompletionRoutine = routine;
    next->Context = context;
    next->Control = 0;
    if (onSuccess) next->Control |= SL_INVOKE_ON_SUCCESS;
    if (onError) next->Control |= SL_INVOKE_ON_ERROR;
    if (onCancel) next->Control |= SL_INVOKE_ON_CANCEL;
}

NTSTATUS IoCallDriver(DEVICE_OBJECT* device, IRP* irp) {
    if (irp->CurrentLocation + 1 >= irp->StackCount) KeBugCheck("NO_MORE_IRP_STACK_LOCATIONS");
    ++irp->CurrentLocation;
    IO_STACK_LOCATION* location = IoGetCurrentIrpStackLocation(irp);
    location->DeviceObject = device;
    // The device stays while its driver handles the request, even if the
    // request removes it.
    ObReferenceObject(device);
    const NTSTATUS status =
        device->DriverObject->MajorFunction[location->MajorFunction](device, irp);
    ObDereferenceObject(device);
    return status;
}

void IoCompleteRequest(IRP* irp, char) {
    if (completionDepth > 0) {
        deferredCompletions.push_back(irp);
        return;
    }
    ++completionDepth;
    KIRQL old;
    KeRaiseIrql(DISPATCH_LEVEL, &old);
    completeOne(irp);
    while (!deferredCompletions.empty()) {
        IRP* next = deferredCompletions.front();
        deferredCompletions.pop_front();
        completeOne(next);
    }
    KeLowerIrql(old);
    --completionDepth;
}

BOOLEAN IoCancelIrp(IRP* irp) {
    irp->Cancel = TRUE;
    PDRIVER_CANCEL routine = IoSetCancelRoutine(irp, nullptr);
    if (routine == nullptr) return FALSE;
    DEVICE_OBJECT* device =
        irp->CurrentLocation >= 0 ? IoGetCurrentIrpStackLocation(irp)->DeviceObject : nullptr;
    routine(device, irp);
    return TRUE;
}

NTSTATUS sendToStackAndWait(DEVICE_OBJECT* physicalDevice, UCHAR major, UCHAR minor,
                            void (*prepare)(IO_STACK_LOCATION* location, PVOID context),
                            PVOID context) {
    DEVICE_OBJECT* top = IoGetAttachedDeviceReference(physicalDevice);
    IRP* irp = IoAllocateIrp(top->StackSize, FALSE);
    if (irp == nullptr) {
        ObDereferenceObject(top);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    KEVENT done;
    KeInitializeEvent(&done, NotificationEvent, FALSE);
    irp->UserEvent = &done;
    irp->IoStatus.Status = STATUS_NOT_SUPPORTED;
    IO_STACK_LOCATION* next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = major;
    next->MinorFunction = minor;
    if (prepare != nullptr) prepare(next, context);
    IoCallDriver(top, irp);
    KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, nullptr);
    const NTSTATUS status = irp->IoStatus.Status;
    IoFreeIrp(irp);
    ObDereferenceObject(top);
    return status;
}

PDRIVER_CANCEL IoSetCancelRoutine(IRP* irp, PDRIVER_CANCEL routine) {
    std::atomic_ref<PDRIVER_CANCEL> slot(irp->CancelRoutine);
    return slot.exchange(routine);
}

}  // namespace vox::kernel
