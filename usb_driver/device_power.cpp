// Power requests: system requests become device requests for the state the
// recorder should be in, and device requests change its state.

#include "usb_driver/device.h"

namespace vox::vxr250 {

using namespace vox::kernel;
using namespace vox::usb;
namespace {

// What a system request needs while its device request runs.
struct SystemRequest {
    DEVICE_EXTENSION* extension;
    IRP* systemIrp;
    WORK_QUEUE_ITEM workItem;
};

IO_STACK_LOCATION* locationOf(IRP* irp) {
    return IoGetCurrentIrpStackLocation(irp);
}

SystemRequest* newSystemRequest(DEVICE_EXTENSION* extension, IRP* irp) {
    auto* request = static_cast<SystemRequest*>(
        ExAllocatePoolWithTag(NonPagedPool, sizeof(SystemRequest), kPoolTag));
    if (request != nullptr) *request = SystemRequest{extension, irp, {}};
    return request;
}

// Ends a power request this driver held: lets the next one start, completes
// it and gives back the remove lock.
void finishPowerRequest(DEVICE_EXTENSION* extension, IRP* irp, NTSTATUS status) {
    irp->IoStatus.Status = status;
    PoStartNextPowerIrp(irp);
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    IoReleaseRemoveLock(&extension->RemoveLock, irp);
}

void passDownFromWorkItem(PVOID context) {
    auto* request = static_cast<SystemRequest*>(context);
    DEVICE_EXTENSION* extension = request->extension;
    IRP* irp = request->systemIrp;
    ExFreePoolWithTag(request, kPoolTag);
    PoCallDriver(extension->LowerDevice, irp);
}

// The older WDM wants power requests passed down at passive level; from a
// completion or callback at raised level they go through a work item.
void passPowerDown(DEVICE_EXTENSION* extension, IRP* irp) {
    if (driverGlobals().OlderWdm && KeGetCurrentIrql() > PASSIVE_LEVEL) {
        if (SystemRequest* request = newSystemRequest(extension, irp)) {
            ExInitializeWorkItem(&request->workItem, &passDownFromWorkItem, request);
            ExQueueWorkItem(&request->workItem, DelayedWorkQueue);
            return;
        }
    }
    PoCallDriver(extension->LowerDevice, irp);
}

// --- system going to sleep: the device request first, then the system request.

NTSTATUS sleepForwarded(DEVICE_OBJECT* device, IRP* irp, PVOID) {
    DEVICE_EXTENSION* extension = extensionOf(device);
    if (irp->PendingReturned) IoMarkIrpPending(irp);
    IO_STACK_LOCATION* stack = locationOf(irp);
    if (NT_SUCCESS(irp->IoStatus.Status) && stack->MinorFunction == IRP_MN_SET_POWER) {
        extension->SystemPower = stack->Parameters.Power.State.SystemState;
    }
    PoStartNextPowerIrp(irp);
    IoReleaseRemoveLock(&extension->RemoveLock, irp);
    return STATUS_CONTINUE_COMPLETION;
}

void forwardSleepRequest(DEVICE_EXTENSION* extension, IRP* irp) {
    IoCopyCurrentIrpStackLocationToNext(irp);
    IoSetCompletionRoutine(irp, &sleepForwarded, nullptr, TRUE, TRUE, TRUE);
    passPowerDown(extension, irp);
}

void sleepDeviceRequestDone(DEVICE_OBJECT*, UCHAR, POWER_STATE, PVOID context,
                            IO_STATUS_BLOCK* ioStatus) {
    auto* request = static_cast<SystemRequest*>(context);
    DEVICE_EXTENSION* extension = request->extension;
    IRP* irp = request->systemIrp;
    ExFreePoolWithTag(request, kPoolTag);
    // A device that cannot go to the state the system needs holds the
    // system back; only a device request that succeeded lets it go on.
    if (!NT_SUCCESS(ioStatus->Status)) {
        finishPowerRequest(extension, irp, ioStatus->Status);
        return;
    }
    forwardSleepRequest(extension, irp);
}

// --- system waking: the system request first, then the device request.

void wakeDeviceRequestDone(DEVICE_OBJECT*, UCHAR, POWER_STATE, PVOID context,
                           IO_STATUS_BLOCK* ioStatus) {
    auto* request = static_cast<SystemRequest*>(context);
    DEVICE_EXTENSION* extension = request->extension;
    IRP* irp = request->systemIrp;
    ExFreePoolWithTag(request, kPoolTag);
    finishPowerRequest(extension, irp, ioStatus->Status);
}

NTSTATUS wakeForwarded(DEVICE_OBJECT* device, IRP* irp, PVOID) {
    DEVICE_EXTENSION* extension = extensionOf(device);
    if (irp->PendingReturned) IoMarkIrpPending(irp);
    IO_STACK_LOCATION* stack = locationOf(irp);
    NTSTATUS status = irp->IoStatus.Status;
    if (NT_SUCCESS(status)) {
        const SYSTEM_POWER_STATE system = stack->Parameters.Power.State.SystemState;
        if (stack->MinorFunction == IRP_MN_SET_POWER) extension->SystemPower = system;
        POWER_STATE wanted;
        wanted.DeviceState = deviceStateFor(extension, system);
        if (driverGlobals().OlderWdm && wanted.DeviceState == extension->DevicePower) {
            PoStartNextPowerIrp(irp);
            IoReleaseRemoveLock(&extension->RemoveLock, irp);
            return STATUS_CONTINUE_COMPLETION;
        }
        SystemRequest* request = newSystemRequest(extension, irp);
        status = request == nullptr
                     ? STATUS_INSUFFICIENT_RESOURCES
                     : PoRequestPowerIrp(extension->PhysicalDevice, stack->MinorFunction, wanted,
                                         &wakeDeviceRequestDone, request, nullptr);
        if (status == STATUS_PENDING) return STATUS_MORE_PROCESSING_REQUIRED;
        if (request != nullptr) ExFreePoolWithTag(request, kPoolTag);
        irp->IoStatus.Status = status;
    }
    PoStartNextPowerIrp(irp);
    IoReleaseRemoveLock(&extension->RemoveLock, irp);
    return STATUS_CONTINUE_COMPLETION;
}

NTSTATUS handleSystemPower(DEVICE_EXTENSION* extension, IRP* irp) {
    IO_STACK_LOCATION* stack = locationOf(irp);
    const SYSTEM_POWER_STATE system = stack->Parameters.Power.State.SystemState;
    IoMarkIrpPending(irp);
    if (system < extension->SystemPower) {
        IoCopyCurrentIrpStackLocationToNext(irp);
        IoSetCompletionRoutine(irp, &wakeForwarded, nullptr, TRUE, TRUE, TRUE);
        PoCallDriver(extension->LowerDevice, irp);
        return STATUS_PENDING;
    }
    POWER_STATE wanted;
    wanted.DeviceState = deviceStateFor(extension, system);
    if (driverGlobals().OlderWdm && wanted.DeviceState == extension->DevicePower) {
        forwardSleepRequest(extension, irp);
        return STATUS_PENDING;
    }
    SystemRequest* request = newSystemRequest(extension, irp);
    NTSTATUS status = request == nullptr
                          ? STATUS_INSUFFICIENT_RESOURCES
                          : PoRequestPowerIrp(extension->PhysicalDevice, stack->MinorFunction,
                                              wanted, &sleepDeviceRequestDone, request, nullptr);
    if (status != STATUS_PENDING) {
        if (request != nullptr) ExFreePoolWithTag(request, kPoolTag);
        finishPowerRequest(extension, irp, status);
    }
    return STATUS_PENDING;
}

// --- device requests.

NTSTATUS deviceWoken(DEVICE_OBJECT* device, IRP* irp, PVOID) {
    DEVICE_EXTENSION* extension = extensionOf(device);
    if (irp->PendingReturned) IoMarkIrpPending(irp);
    if (NT_SUCCESS(irp->IoStatus.Status)) {
        const POWER_STATE state = locationOf(irp)->Parameters.Power.State;
        extension->DevicePower = state.DeviceState;
        PoSetPowerState(device, DevicePowerState, state);
    }
    PoStartNextPowerIrp(irp);
    IoReleaseRemoveLock(&extension->RemoveLock, irp);
    return STATUS_CONTINUE_COMPLETION;
}

NTSTATUS handleDevicePower(DEVICE_EXTENSION* extension, IRP* irp) {
    IO_STACK_LOCATION* stack = locationOf(irp);
    const POWER_STATE state = stack->Parameters.Power.State;
    if (stack->MinorFunction == IRP_MN_SET_POWER && state.DeviceState < extension->DevicePower) {
        IoMarkIrpPending(irp);
        IoCopyCurrentIrpStackLocationToNext(irp);
        IoSetCompletionRoutine(irp, &deviceWoken, nullptr, TRUE, TRUE, TRUE);
        passPowerDown(extension, irp);
        return STATUS_PENDING;
    }
    if (stack->MinorFunction == IRP_MN_SET_POWER && state.DeviceState > extension->DevicePower) {
        extension->DevicePower = state.DeviceState;
        PoSetPowerState(extension->DeviceObject, DevicePowerState, state);
    }
    PoStartNextPowerIrp(irp);
    IoSkipCurrentIrpStackLocation(irp);
    const NTSTATUS status = PoCallDriver(extension->LowerDevice, irp);
    IoReleaseRemoveLock(&extension->RemoveLock, irp);
    return status;
}

}  // namespace

NTSTATUS DispatchPower(DEVICE_OBJECT* device, IRP* irp) {
    DEVICE_EXTENSION* extension = extensionOf(device);
    const NTSTATUS locked = IoAcquireRemoveLock(&extension->RemoveLock, irp);
    if (!NT_SUCCESS(locked)) {
        PoStartNextPowerIrp(irp);
        return completeRequest(irp, locked);
    }
    IO_STACK_LOCATION* stack = locationOf(irp);
    if (stack->MinorFunction == IRP_MN_SET_POWER || stack->MinorFunction == IRP_MN_QUERY_POWER) {
        return stack->Parameters.Power.Type == SystemPowerState ? handleSystemPower(extension, irp)
                                                                : handleDevicePower(extension, irp);
    }
    PoStartNextPowerIrp(irp);
    IoSkipCurrentIrpStackLocation(irp);
    const NTSTATUS status = PoCallDriver(extension->LowerDevice, irp);
    IoReleaseRemoveLock(&extension->RemoveLock, irp);
    return status;
}

}  // namespace vox::vxr250
