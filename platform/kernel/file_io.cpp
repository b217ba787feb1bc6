#include "platform/kernel/file_io.h"

#include <cstring>

#include "platform/kernel/device_interface.h"
#include "platform/kernel/io_manager.h"
#include "platform/kernel/pool.h"

namespace vox::kernel {
namespace {

constexpr ULONG kSystemBufferTag = poolTag("IoSb");

// Sends a request built by `prepare` to the file's device and waits for it.
template <typename Prepare>
NTSTATUS sendFileRequest(FILE_OBJECT* file, UCHAR major, ULONG_PTR* information, Prepare prepare) {
    DEVICE_OBJECT* device = file->DeviceObject;
    IRP* irp = IoAllocateIrp(device->StackSize, FALSE);
    if (irp == nullptr) return STATUS_INSUFFICIENT_RESOURCES;
    KEVENT done;
    KeInitializeEvent(&done, NotificationEvent, FALSE);
    IO_STATUS_BLOCK ioStatus{};
    irp->Owner = IrpOwner::IoManager;
    irp->UserEvent = &done;
    irp->UserIosb = &ioStatus;
    IO_STACK_LOCATION* next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = major;
    next->FileObject = file;
    if (!prepare(irp, next)) {
        IoFreeIrp(irp);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    // Pending or not, the event is set when the request has completed.
    IoCallDriver(device, irp);
    KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, nullptr);
    if (information != nullptr) *information = ioStatus.Information;
    return ioStatus.Status;
}

// Describes the caller's buffer the way the device asks for.
bool describeBuffer(IRP* irp, DEVICE_OBJECT* device, void* buffer, ULONG length, bool copyIn) {
    if (length == 0) return true;
    if ((device->Flags & DO_DIRECT_IO) != 0) {
        MDL* mdl = IoAllocateMdl(buffer, length, FALSE, FALSE, irp);
        if (mdl == nullptr) return false;
        MmProbeAndLockPages(mdl, KernelMode, 0);
        return true;
    }
    if ((device->Flags & DO_BUFFERED_IO) != 0) {
        irp->AssociatedIrp.SystemBuffer =
            ExAllocatePoolWithTag(NonPagedPool, length, kSystemBufferTag);
        if (irp->AssociatedIrp.SystemBuffer == nullptr) return false;
        if (copyIn) std::memcpy(irp->AssociatedIrp.SystemBuffer, buffer, length);
        if (!copyIn) {
            irp->UserBuffer = buffer;
            irp->UserBufferLength = length;
        }
        return true;
    }
    irp->UserBuffer = buffer;
    return true;
}

}  // namespace

NTSTATUS IoOpenFile(std::u16string_view path, FILE_OBJECT** file) {
    *file = nullptr;
    std::u16string rest;
    DEVICE_OBJECT* named = resolveDeviceInterface(path, rest);
    // Otherwise a device name, possibly followed by a file name.
    std::size_t split = path.size();
    while (named == nullptr && split != 0 && split != std::u16string_view::npos) {
        named = IoGetDeviceObjectByName(path.substr(0, split));
        rest = std::u16string(path.substr(split));
        split = path.rfind(u'\\', split - 1);
    }
    if (named == nullptr) return STATUS_OBJECT_NAME_NOT_FOUND;
    DEVICE_OBJECT* top = IoGetAttachedDeviceReference(named);
    ObDereferenceObject(named);
    if (top->DeletePending) {
        ObDereferenceObject(top);
        return STATUS_DELETE_PENDING;
    }
    auto* opened = new FILE_OBJECT{};
    opened->DeviceObject = top;
    opened->NameStorage = rest;
    opened->FileName.Buffer = opened->NameStorage.data();
    opened->FileName.Length = static_cast<USHORT>(rest.size() * sizeof(WCHAR));
    opened->FileName.MaximumLength = opened->FileName.Length;
    const NTSTATUS status = sendFileRequest(opened, IRP_MJ_CREATE, nullptr,
                                            [](IRP*, IO_STACK_LOCATION*) { return true; });
    if (!NT_SUCCESS(status)) {
        ObDereferenceObject(top);
        delete opened;
        return status;
    }
    *file = opened;
    return STATUS_SUCCESS;
}

NTSTATUS IoReadFile(FILE_OBJECT* file, void* buffer, ULONG length, ULONG_PTR* done) {
    return sendFileRequest(file, IRP_MJ_READ, done, [&](IRP* irp, IO_STACK_LOCATION* next) {
        next->Parameters.Read.Length = length;
        return describeBuffer(irp, file->DeviceObject, buffer, length, false);
    });
}

NTSTATUS IoWriteFile(FILE_OBJECT* file, const void* buffer, ULONG length, ULONG_PTR* done) {
    return sendFileRequest(file, IRP_MJ_WRITE, done, [&](IRP* irp, IO_STACK_LOCATION* next) {
        next->Parameters.Write.Length = length;
        return describeBuffer(irp, file->DeviceObject, const_cast<void*>(buffer), length, true);
    });
}

NTSTATUS IoDeviceIoControlFile(FILE_OBJECT* file, ULONG code, const void* input, ULONG inputLength,
                               void* output, ULONG outputLength, ULONG_PTR* returned) {
    return sendFileRequest(
        file, IRP_MJ_DEVICE_CONTROL, returned, [&](IRP* irp, IO_STACK_LOCATION* next) {
            next->Parameters.DeviceIoControl.IoControlCode = code;
            next->Parameters.DeviceIoControl.InputBufferLength = inputLength;
            next->Parameters.DeviceIoControl.OutputBufferLength = outputLength;
            irp->UserBuffer = output;
            irp->UserBufferLength = outputLength;
            if (methodOf(code) != METHOD_BUFFERED) {
                next->Parameters.DeviceIoControl.Type3InputBuffer = const_cast<void*>(input);
                return true;
            }
            const ULONG size = inputLength > outputLength ? inputLength : outputLength;
            if (size == 0) return true;
            irp->AssociatedIrp.SystemBuffer =
                ExAllocatePoolWithTag(NonPagedPool, size, kSystemBufferTag);
            if (irp->AssociatedIrp.SystemBuffer == nullptr) return false;
            if (input != nullptr && inputLength != 0)
                std::memcpy(irp->AssociatedIrp.SystemBuffer, input, inputLength);
            return true;
        });
}

void IoCloseFile(FILE_OBJECT* file) {
    auto nothing = [](IRP*, IO_STACK_LOCATION*) { return true; };
    sendFileRequest(file, IRP_MJ_CLEANUP, nullptr, nothing);
    sendFileRequest(file, IRP_MJ_CLOSE, nullptr, nothing);
    ObDereferenceObject(file->DeviceObject);
    delete file;
}

}  // namespace vox::kernel
