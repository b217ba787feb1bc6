#pragma once
// A USB bus driver: one physical device object per connected port, each
// answering the URBs and port resets its function driver sends down. A hub
// thread watches the ports and reports arrivals and removals to the PnP
// manager, which loads the function driver onto each new device.

#include <array>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/kernel/wdm.h"
#include "platform/usb/usb_port.h"

namespace vox::usb {

struct PortDevice;

class UsbBus {
  public:
    // `functionDriver` is loaded onto every device the bus finds.
    explicit UsbBus(kernel::DRIVER_OBJECT* functionDriver);
    virtual ~UsbBus();
    UsbBus(const UsbBus&) = delete;
    UsbBus& operator=(const UsbBus&) = delete;

    // Returns once every port change noticed before the call is handled.
    void waitForHub();
    kernel::PnpManager& pnp() { return pnp_; }
    // The physical device of an enumerated port, or null (tests).
    kernel::DEVICE_OBJECT* physicalDevice(int port);
    // How the last start of the port's device went (tests).
    kernel::NTSTATUS startStatus(int port);
    // Device states for each system state reported in capability queries of
    // devices enumerated from now on.
    void setDevicePowerMapping(const std::array<kernel::DEVICE_POWER_STATE, 7>& mapping);

  protected:
    // A device is behind a new port; it is enumerated once connected.
    int addPort(std::shared_ptr<UsbPort> port);
    // The port is gone for good (cable pulled, libusb removal); its device is
    // removed before this returns.
    void removePort(int port);
    // Wakes the hub thread to look at the ports again.
    void portChanged();
    // Stops the hub and removes every device; derived destructors call it
    // before their ports go.
    void shutDown();

  private:
    struct Port {
        int number;
        std::shared_ptr<UsbPort> port;
        std::shared_ptr<PortDevice> device;  // while enumerated
        bool pulled = false;
        kernel::NTSTATUS startStatus = 0;
    };

    void runHub();
    void handleChanges(std::unique_lock<std::mutex>& lock);

    kernel::DRIVER_OBJECT* busDriver_;
    kernel::PnpManager pnp_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable handled_;
    std::vector<Port> ports_;
    std::array<kernel::DEVICE_POWER_STATE, 7> powerMapping_;
    int nextPort_ = 1;
    std::uint64_t changesRequested_ = 0;
    std::uint64_t changesHandled_ = 0;
    bool stopping_ = false;
    bool stopped_ = false;
    std::thread hub_;
};

}  // namespace vox::usb
