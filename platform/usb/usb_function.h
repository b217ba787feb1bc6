#pragma once
// The recorder's side of its USB link, as a bus sees it: bulk OUT on endpoint
// 0x02, bulk IN on endpoint 0x83 (both 64-byte packets), and vendor requests
// to an endpoint recipient with no data stage, with the results a transfer
// ends in. The recorder model implements it; the simulated bus and the
// direct device-access provider drive a recorder through it. Header-only
// (target vox_usb_types), so the model needs nothing else from the bus.

#include <cstddef>
#include <cstdint>
#include <span>

namespace vox::usb {

enum class UsbStatus {
    Ok,
    Stall,         // the recorder refused the request (the pipe needs a reset)
    Disconnected,  // the recorder is unplugged
};

struct UsbResult {
    UsbStatus status = UsbStatus::Ok;
    std::size_t transferred = 0;
};

constexpr std::uint8_t kEndpointOut = 0x02;
constexpr std::uint8_t kEndpointIn = 0x83;
constexpr std::size_t kPacketSize = 64;

class UsbFunction {
  public:
    virtual ~UsbFunction() = default;
    // Host to recorder; the recorder takes all of `data` or fails.
    virtual UsbResult bulkOut(std::span<const std::uint8_t> data) = 0;
    // Recorder to host; fewer bytes than asked for is a short transfer (the
    // recorder had no more to send). Nothing pending gives Ok with 0 bytes.
    virtual UsbResult bulkIn(std::span<std::uint8_t> buffer) = 0;
    virtual UsbStatus vendorRequest(std::uint8_t request, std::uint16_t value,
                                    std::uint16_t index) = 0;
    virtual UsbStatus resetPipe(std::uint8_t endpoint) = 0;
    virtual UsbStatus resetPort() = 0;
    virtual bool connected() const = 0;
};

}  // namespace vox::usb
