#pragma once
// System and device power states and the device capabilities record.

#include "platform/kernel/ntstatus.h"

namespace vox::kernel {

enum SYSTEM_POWER_STATE : std::int32_t {
    PowerSystemUnspecified = 0,
    PowerSystemWorking = 1,  // S0
    PowerSystemSleeping1 = 2,
    PowerSystemSleeping2 = 3,
    PowerSystemSleeping3 = 4,
    PowerSystemHibernate = 5,
    PowerSystemShutdown = 6,
    PowerSystemMaximum = 7,
};

enum DEVICE_POWER_STATE : std::int32_t {
    PowerDeviceUnspecified = 0,
    PowerDeviceD0 = 1,
    PowerDeviceD1 = 2,
    PowerDeviceD2 = 3,
    PowerDeviceD3 = 4,
    PowerDeviceMaximum = 5,
};

enum POWER_STATE_TYPE : std::int32_t { SystemPowerState = 0, DevicePowerState = 1 };

union POWER_STATE {
    SYSTEM_POWER_STATE SystemState;
    DEVICE_POWER_STATE DeviceState;
};

enum POWER_ACTION : std::int32_t {
    PowerActionNone = 0,
    PowerActionSleep = 2,
    PowerActionShutdown = 4
};

// 64 bytes, as the PnP manager hands it to the drivers of a device stack.
struct DEVICE_CAPABILITIES {
    USHORT Size;
    USHORT Version;
    ULONG DeviceD1 : 1;
    ULONG DeviceD2 : 1;
    ULONG LockSupported : 1;
    ULONG EjectSupported : 1;
    ULONG Removable : 1;
    ULONG DockDevice : 1;
    ULONG UniqueID : 1;
    ULONG SilentInstall : 1;
    ULONG RawDeviceOK : 1;
    ULONG SurpriseRemovalOK : 1;
    ULONG Reserved : 22;
    ULONG Address;
    ULONG UINumber;
    DEVICE_POWER_STATE DeviceState[PowerSystemMaximum];  // device state for each system state
    SYSTEM_POWER_STATE SystemWake;
    DEVICE_POWER_STATE DeviceWake;
    ULONG D1Latency;
    ULONG D2Latency;
    ULONG D3Latency;
};
static_assert(sizeof(DEVICE_CAPABILITIES) == 64);

}  // namespace vox::kernel
