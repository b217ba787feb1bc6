#pragma once
// The physical device object of one enumerated port: the bus driver's
// dispatch routines and the URBs it answers.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/usb/usb_port.h"
#include "platform/usb/usbd.h"

namespace vox::usb {

struct PortDevice {
    std::shared_ptr<UsbPort> port;
    kernel::DEVICE_OBJECT* pdo = nullptr;
    std::atomic<bool> gone{false};        // unplugged: the next removal deletes the device
    std::function<void()> noticedUnplug;  // wakes the hub when a transfer finds the device gone
    kernel::DEVICE_CAPABILITIES capabilities{};

    struct Pipe {
        kernel::UCHAR endpoint;
        USBD_PIPE_TYPE type;
        kernel::USHORT maximumPacket;
        kernel::ULONG maximumTransfer;
    };
    std::mutex mutex;              // the configuration below
    kernel::ULONG generation = 0;  // changes with every configuration, so old pipe handles fail
    bool configured = false;
    std::vector<Pipe> pipes;
};

// The bus driver, loaded once per process while any bus exists.
kernel::DRIVER_OBJECT* loadBusDriver();
void unloadBusDriver(kernel::DRIVER_OBJECT* driver);
// A physical device object for `device` (instance path from the port's
// device descriptor and serial number).
kernel::NTSTATUS createPortDevice(kernel::DRIVER_OBJECT* busDriver, PortDevice& device);

// Answers one URB; the IRP's status.
kernel::NTSTATUS handleUrb(PortDevice& device, URB* urb);

}  // namespace vox::usb
