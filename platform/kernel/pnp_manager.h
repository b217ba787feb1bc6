#pragma once
// The plug-and-play manager for the devices one bus enumerates: it loads
// the function driver onto each new device's stack and sends the stack its
// start, stop, removal and capability requests, one at a time.

#include <functional>
#include <mutex>

#include "platform/kernel/io_manager.h"

namespace vox::kernel {

class PnpManager {
  public:
    // `functionDriver` is the driver installed for the bus's devices.
    explicit PnpManager(DRIVER_OBJECT* functionDriver);

    // A new device: add the function driver, query capabilities, start.
    // A device that does not start is removed again. Returns the start status.
    NTSTATUS deviceArrived(DEVICE_OBJECT* physicalDevice);
    // A device that is gone: surprise removal, then removal.
    void deviceGone(DEVICE_OBJECT* physicalDevice);
    // An orderly stop (as for rebalancing): query stop, then stop or cancel.
    NTSTATUS stopDevice(DEVICE_OBJECT* physicalDevice);
    // An orderly removal (as for "safely remove"): query remove, then remove
    // or cancel.
    NTSTATUS removeDevice(DEVICE_OBJECT* physicalDevice);

    // Single requests, for tests that walk the drivers' state machine.
    NTSTATUS send(DEVICE_OBJECT* physicalDevice, UCHAR minorFunction);
    NTSTATUS queryCapabilities(DEVICE_OBJECT* physicalDevice, DEVICE_CAPABILITIES* capabilities);

    // Called after every arrival and removal this manager handled.
    void setDeviceChangeListener(std::function<void()> listener);

  private:
    NTSTATUS sendLocked(DEVICE_OBJECT* physicalDevice, UCHAR minorFunction,
                        DEVICE_CAPABILITIES* capabilities);
    void notifyChange();

    DRIVER_OBJECT* functionDriver_;
    std::recursive_mutex serial_;  // requests reach a stack one at a time
    std::mutex listenerMutex_;
    std::function<void()> listener_;
};

}  // namespace vox::kernel
