#pragma once
// The USB bus with a real recorder (vendor 0x0DAB, product 0x3000) behind
// libusb. Recorders present at start and, where libusb has hotplug, those
// plugged in later are enumerated; a recorder unplugged is removed. Without
// a recorder (or without USB access at all) the bus simply has no device.

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/usb/usb_bus.h"

struct libusb_context;
struct libusb_device;

namespace vox::usb {

class LibusbPort;

class LibusbBus final : public UsbBus {
  public:
    explicit LibusbBus(kernel::DRIVER_OBJECT* functionDriver);
    ~LibusbBus() override;

    // Called by libusb's hotplug callback (on the event thread).
    void noticeArrival(libusb_device* device);
    void noticeDeparture(libusb_device* device);
    // Opens the recorders the hotplug callback reported since the last call
    // (the event thread does it too; tests call it to have an arrival
    // enumerated before they go on).
    void openArrivals();

  private:
    void openRecorder(libusb_device* device);
    void runEvents();

    libusb_context* context_ = nullptr;
    int hotplugHandle_ = 0;
    bool hotplug_ = false;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::vector<libusb_device*> arrived_;
    std::vector<std::shared_ptr<LibusbPort>> ports_;
    std::thread events_;
};

}  // namespace vox::usb
