#pragma once
// The power calls drivers make, and the power manager's side: system power
// requests sent down a device stack.

#include "platform/kernel/io_manager.h"

namespace vox::kernel {

using PREQUEST_POWER_COMPLETE = void (*)(DEVICE_OBJECT* device, UCHAR minorFunction,
                                         POWER_STATE state, PVOID context,
                                         IO_STATUS_BLOCK* ioStatus);

// Sends a device power request (set or query) to the top of `physicalDevice`'s
// stack; `complete` runs when it is done. STATUS_PENDING once sent.
NTSTATUS PoRequestPowerIrp(DEVICE_OBJECT* physicalDevice, UCHAR minorFunction, POWER_STATE state,
                           PREQUEST_POWER_COMPLETE complete, PVOID context, IRP** irp);
void PoStartNextPowerIrp(IRP* irp);
NTSTATUS PoCallDriver(DEVICE_OBJECT* device, IRP* irp);
// Records the state a device says it is in; returns the previous one.
POWER_STATE PoSetPowerState(DEVICE_OBJECT* device, POWER_STATE_TYPE type, POWER_STATE state);

// What the power manager knows (tests).
DEVICE_POWER_STATE recordedDevicePowerState(DEVICE_OBJECT* device);
long startedNextPowerIrps();

class PowerManager {
  public:
    // Sends a system set-power or query-power request to the stack of
    // `physicalDevice` and waits for it.
    static NTSTATUS sendSystemPowerRequest(DEVICE_OBJECT* physicalDevice, UCHAR minorFunction,
                                           SYSTEM_POWER_STATE state);
    // The same for a device power request, as PoRequestPowerIrp sends it.
    static NTSTATUS sendDevicePowerRequest(DEVICE_OBJECT* physicalDevice, UCHAR minorFunction,
                                           DEVICE_POWER_STATE state);
};

}  // namespace vox::kernel
