#include "platform/kernel/power.h"

#include <atomic>
#include <map>
#include <mutex>

#include "platform/kernel/pool.h"

namespace vox::kernel {
namespace {

constexpr ULONG kPowerTag = poolTag("PoIr");

struct PowerRecords {
    std::mutex mutex;
    std::map<DEVICE_OBJECT*, DEVICE_POWER_STATE> deviceStates;
};

// Never destroyed: drivers and buses torn down by other libraries at
// process exit still reach it after this library's statics are gone.
PowerRecords& records() {
    static PowerRecords& instance = *new PowerRecords;
    return instance;
}

std::atomic<long> startedNext{0};

struct PowerRequest {
    DEVICE_OBJECT* target;
    UCHAR minorFunction;
    POWER_STATE state;
    PREQUEST_POWER_COMPLETE complete;
    PVOID context;
};

NTSTATUS powerRequestDone(DEVICE_OBJECT*, IRP* irp, PVOID context) {
    auto* request = static_cast<PowerRequest*>(context);
    IO_STATUS_BLOCK ioStatus = irp->IoStatus;
    if (request->complete != nullptr) {
        request->complete(request->target, request->minorFunction, request->state, request->context,
                          &ioStatus);
    }
    ExFreePoolWithTag(request, kPowerTag);
    IoFreeIrp(irp);
    return STATUS_MORE_PROCESSING_REQUIRED;
}

struct PowerParameters {
    POWER_STATE_TYPE type;
    POWER_STATE state;
};

void preparePower(IO_STACK_LOCATION* location, PVOID context) {
    const auto* parameters = static_cast<const PowerParameters*>(context);
    location->Parameters.Power.Type = parameters->type;
    location->Parameters.Power.State = parameters->state;
    location->Parameters.Power.ShutdownType = PowerActionSleep;
}

}  // namespace

NTSTATUS PoRequestPowerIrp(DEVICE_OBJECT* physicalDevice, UCHAR minorFunction, POWER_STATE state,
                           PREQUEST_POWER_COMPLETE complete, PVOID context, IRP** irpOut) {
    if (minorFunction != IRP_MN_SET_POWER && minorFunction != IRP_MN_QUERY_POWER &&
        minorFunction != IRP_MN_WAIT_WAKE) {
        return STATUS_INVALID_PARAMETER;
    }
    DEVICE_OBJECT* top = IoGetAttachedDeviceReference(physicalDevice);
    // One location more than the stack needs: the power manager's own, whose
    // completion routine reports to the requester.
    IRP* irp = IoAllocateIrp(static_cast<CCHAR>(top->StackSize + 1), FALSE);
    auto* request = static_cast<PowerRequest*>(
        ExAllocatePoolWithTag(NonPagedPool, sizeof(PowerRequest), kPowerTag));
    if (irp == nullptr || request == nullptr) {
        if (irp != nullptr) IoFreeIrp(irp);
        if (request != nullptr) ExFreePoolWithTag(request, kPowerTag);
        ObDereferenceObject(top);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    *request = PowerRequest{physicalDevice, minorFunction, state, complete, context};
    irp->CurrentLocation = 0;  // the power manager's location
    irp->IoStatus.Status = STATUS_NOT_SUPPORTED;
    IO_STACK_LOCATION* next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = IRP_MJ_POWER;
    next->MinorFunction = minorFunction;
    next->Parameters.Power.Type = DevicePowerState;
    next->Parameters.Power.State = state;
    IoSetCompletionRoutine(irp, &powerRequestDone, request, TRUE, TRUE, TRUE);
    if (irpOut != nullptr) *irpOut = irp;
    PoCallDriver(top, irp);
    ObDereferenceObject(top);
    return STATUS_PENDING;
}

void PoStartNextPowerIrp(IRP*) {
    ++startedNext;
}

NTSTATUS PoCallDriver(DEVICE_OBJECT* device, IRP* irp) {
    return IoCallDriver(device, irp);
}

POWER_STATE PoSetPowerState(DEVICE_OBJECT* device, POWER_STATE_TYPE type, POWER_STATE state) {
    POWER_STATE previous{};
    if (type != DevicePowerState) return previous;
    PowerRecords& r = records();
    std::lock_guard lock(r.mutex);
    auto [entry, inserted] = r.deviceStates.try_emplace(device, PowerDeviceUnspecified);
    previous.DeviceState = entry->second;
    entry->second = state.DeviceState;
    return previous;
}

DEVICE_POWER_STATE recordedDevicePowerState(DEVICE_OBJECT* device) {
    PowerRecords& r = records();
    std::lock_guard lock(r.mutex);
    auto found = r.deviceStates.find(device);
    return found == r.deviceStates.end() ? PowerDeviceUnspecified : found->second;
}

long startedNextPowerIrps() {
    return startedNext.load();
}

NTSTATUS PowerManager::sendSystemPowerRequest(DEVICE_OBJECT* physicalDevice, UCHAR minorFunction,
                                              SYSTEM_POWER_STATE state) {
    PowerParameters parameters{SystemPowerState, {}};
    parameters.state.SystemState = state;
    return sendToStackAndWait(physicalDevice, IRP_MJ_POWER, minorFunction, &preparePower,
                              &parameters);
}

NTSTATUS PowerManager::sendDevicePowerRequest(DEVICE_OBJECT* physicalDevice, UCHAR minorFunction,
                                              DEVICE_POWER_STATE state) {
    PowerParameters parameters{DevicePowerState, {}};
    parameters.state.DeviceState = state;
    return sendToStackAndWait(physicalDevice, IRP_MJ_POWER, minorFunction, &preparePower,
                              &parameters);
}

}  // namespace vox::kernel
