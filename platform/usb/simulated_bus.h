#pragma once
// A USB bus with recorder models plugged into it. A model is enumerated
// while it is connected: unplugging it (by the model's own unplug, a fault,
// or pulling its cable here) removes the device, and a model that connects
// again is found again. Timing is the model's own (its full-speed option).

#include <memory>

#include "platform/usb/recorder_descriptors.h"
#include "platform/usb/usb_bus.h"

namespace vox::usb {

class SimulatedBus final : public UsbBus {
  public:
    explicit SimulatedBus(kernel::DRIVER_OBJECT* functionDriver);
    ~SimulatedBus() override;

    // Plugs `function` into a new port; returns the port number. The device
    // is started before this returns when the model is connected.
    int plugIn(std::shared_ptr<UsbFunction> function,
               DescriptorVariant variant = DescriptorVariant::Recorder);
    // Pulls the port's cable: the device is removed before this returns.
    void pullCable(int port);
};

}  // namespace vox::usb
