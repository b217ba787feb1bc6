#pragma once
// One port of a USB bus as the bus driver sees the device behind it: its
// descriptors, its configuration, its bulk pipes, vendor requests to an
// endpoint, and pipe and port resets. A simulated recorder and a real one
// behind libusb both look like this.

#include <cstdint>
#include <span>
#include <string>

#include "platform/usb/usb_function.h"

namespace vox::usb {

class UsbPort {
  public:
    virtual ~UsbPort() = default;
    // GET_DESCRIPTOR: up to buffer.size() bytes of the descriptor.
    virtual UsbResult getDescriptor(std::uint8_t type, std::uint8_t index, std::uint16_t language,
                                    std::span<std::uint8_t> buffer) = 0;
    // SET_CONFIGURATION; 0 unconfigures.
    virtual UsbStatus setConfiguration(std::uint8_t value) = 0;
    // Direction by the endpoint address (bit 7 set: in).
    virtual UsbResult bulkTransfer(std::uint8_t endpoint, std::span<std::uint8_t> buffer) = 0;
    virtual UsbStatus vendorRequest(std::uint8_t request, std::uint16_t value,
                                    std::uint16_t index) = 0;
    virtual UsbStatus resetPipe(std::uint8_t endpoint) = 0;
    virtual UsbStatus resetPort() = 0;
    virtual bool connected() const = 0;
    // The device instance's own part of its instance path (its serial number).
    virtual std::u16string instanceName() const = 0;
};

}  // namespace vox::usb
