#pragma once
// The I/O manager: drivers and devices, device stacks, and the life of an
// I/O request from IoCallDriver to IoCompleteRequest.
//
// Completion is synchronous: a request completed inside a completion
// routine (a driver resubmitting a request from its completion routine)
// is queued and completed when the outer completion has finished, so
// chains of stages do not nest on the stack.

#include "platform/kernel/io_types.h"

namespace vox::kernel {

// --- drivers ---------------------------------------------------------------
// Loads a driver: the first load of `name` creates its driver object and
// runs `entry`; later loads of the same name share it. Null when the entry
// fails (its status in `status`).
DRIVER_OBJECT* IoLoadDriver(const char16_t* name, PDRIVER_INITIALIZE entry,
                            const char16_t* registryPath, NTSTATUS* status);
// Drops one load; the last runs the driver's unload routine and frees the
// driver object. Every device the driver created must be deleted first.
void IoUnloadDriver(DRIVER_OBJECT* driver);

// WDM version the kernel reports: 1.20 (that of Windows XP) unless a test
// sets an older one (1.00 for Windows 98).
BOOLEAN IoIsWdmVersionAvailable(UCHAR major, UCHAR minor);
void setWdmVersion(UCHAR major, UCHAR minor);

// --- devices ---------------------------------------------------------------
NTSTATUS IoCreateDevice(DRIVER_OBJECT* driver, ULONG extensionSize, UNICODE_STRING* name,
                        DEVICE_TYPE type, ULONG characteristics, BOOLEAN exclusive,
                        DEVICE_OBJECT** device);
// The object goes when the last reference (open files, calls in progress, a
// device still attached on top) is dropped; its name goes at once.
void IoDeleteDevice(DEVICE_OBJECT* device);
// Attaches `source` on top of `target`'s stack; returns the device it was
// attached to, or null when the target is going away.
DEVICE_OBJECT* IoAttachDeviceToDeviceStack(DEVICE_OBJECT* source, DEVICE_OBJECT* target);
void IoDetachDevice(DEVICE_OBJECT* lower);
DEVICE_OBJECT* IoGetAttachedDeviceReference(DEVICE_OBJECT* device);
DEVICE_OBJECT* IoGetDeviceObjectByName(std::u16string_view name);  // referenced, or null
void ObReferenceObject(DEVICE_OBJECT* device);
void ObDereferenceObject(DEVICE_OBJECT* device);
// Device objects created and not yet freed (tests).
long liveDeviceObjects();

// --- requests ----------------------------------------------------------------
IRP* IoAllocateIrp(CCHAR stackSize, BOOLEAN chargeQuota);
void IoFreeIrp(IRP* irp);
IRP* IoBuildDeviceIoControlRequest(ULONG code, DEVICE_OBJECT* device, PVOID input,
                                   ULONG inputLength, PVOID output, ULONG outputLength,
                                   BOOLEAN internal, KEVENT* event, IO_STATUS_BLOCK* ioStatus);

inline IO_STACK_LOCATION* IoGetCurrentIrpStackLocation(IRP* irp) {
    return &irp->Stack[irp->CurrentLocation];
}
inline IO_STACK_LOCATION* IoGetNextIrpStackLocation(IRP* irp) {
    return &irp->Stack[irp->CurrentLocation + 1];
}
inline void IoSkipCurrentIrpStackLocation(IRP* irp) {
    --irp->CurrentLocation;
}
void IoCopyCurrentIrpStackLocationToNext(IRP* irp);
void IoSetCompletionRoutine(IRP* irp, PIO_COMPLETION_ROUTINE routine, PVOID context,
                            BOOLEAN onSuccess, BOOLEAN onError, BOOLEAN onCancel);
inline void IoMarkIrpPending(IRP* irp) {
    IoGetCurrentIrpStackLocation(irp)->Control |= SL_PENDING_RETURNED;
}
NTSTATUS IoCallDriver(DEVICE_OBJECT* device, IRP* irp);
inline NTSTATUS IofCallDriver(DEVICE_OBJECT* device, IRP* irp) {
    return IoCallDriver(device, irp);
}
constexpr char IO_NO_INCREMENT = 0;
void IoCompleteRequest(IRP* irp, char priorityBoost);
inline void IofCompleteRequest(IRP* irp, char boost) {
    IoCompleteRequest(irp, boost);
}
BOOLEAN IoCancelIrp(IRP* irp);
// How the PnP and power managers talk to a stack: a request (status
// STATUS_NOT_SUPPORTED until a driver handles it) sent to the top of
// `physicalDevice`'s stack, waited for; returns its final status.
NTSTATUS sendToStackAndWait(DEVICE_OBJECT* physicalDevice, UCHAR major, UCHAR minor,
                            void (*prepare)(IO_STACK_LOCATION* location, PVOID context),
                            PVOID context);
PDRIVER_CANCEL IoSetCancelRoutine(IRP* irp, PDRIVER_CANCEL routine);

}  // namespace vox::kernel
