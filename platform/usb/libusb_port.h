#pragma once
// A recorder opened through libusb, its interface 0 claimed, as one port of
// the libusb bus.
//
// No transfer waits without end. Bulk stages are asynchronous transfers
// with a time limit, and a waiting stage is cancelled when the user asks
// to stop (see stuck_transfers.h). The limits sit well above anything the
// recorder takes when it works:
// - a read of one packet or less is the recorder's reply to a command, which
//   comes once the recorder has done the work; the longest is formatting,
//   which the library paces at about 141 ms per MiB of store, so five
//   minutes covers a store of 2 GiB;
// - any other stage (up to 4,096 bytes of a block the recorder streams or
//   takes at full speed, a few milliseconds) gets ten seconds, which also
//   covers a slow flash write;
// - control requests get five seconds, the most USB allows a device for a
//   request with a data stage (the recorder's vendor requests have none).
// A stalled stage clears the endpoint's halt at once; a recorder that
// refuses even that is reset once. The stage still fails: the driver and
// the library begin the next exchange afresh.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "platform/usb/usb_port.h"

struct libusb_context;
struct libusb_device;
struct libusb_device_handle;
struct libusb_transfer;

namespace vox::usb {

constexpr std::chrono::milliseconds kReplyTimeLimit{300'000};
constexpr std::chrono::milliseconds kStageTimeLimit{10'000};
constexpr std::chrono::milliseconds kControlTimeLimit{5'000};

// The request type of the recorder's vendor requests: vendor, to an
// endpoint, host to device.
constexpr std::uint8_t kVendorToEndpoint = 0x42;

// The time limit of a bulk stage of `length` bytes on `endpoint`.
std::chrono::milliseconds bulkTimeLimit(std::uint8_t endpoint, std::size_t length);

class LibusbPort final : public UsbPort {
  public:
    LibusbPort(libusb_context* context, libusb_device* device, libusb_device_handle* handle);
    ~LibusbPort() override;

    libusb_device* device() const { return device_; }
    void markGone() { connected_ = false; }

    UsbResult getDescriptor(std::uint8_t type, std::uint8_t index, std::uint16_t language,
                            std::span<std::uint8_t> buffer) override;
    UsbStatus setConfiguration(std::uint8_t value) override;
    UsbResult bulkTransfer(std::uint8_t endpoint, std::span<std::uint8_t> buffer) override;
    UsbStatus vendorRequest(std::uint8_t request, std::uint16_t value,
                            std::uint16_t index) override;
    UsbStatus resetPipe(std::uint8_t endpoint) override;
    UsbStatus resetPort() override;
    bool connected() const override { return connected_; }
    std::u16string instanceName() const override { return name_; }

  private:
    // Handles libusb's events until the transfer completed, cancelling it
    // once a stop was asked for (the count of requests moved on from
    // `requestsAtStart`) and it is still waiting after the grace time.
    void waitForCompletion(libusb_transfer* transfer, int& completed,
                           std::uint64_t requestsAtStart);
    UsbResult resultOf(const libusb_transfer& transfer);
    // After a stall: clears the halt, or resets the recorder once when even
    // that fails.
    void recoverFromStall(std::uint8_t endpoint);
    UsbStatus statusOf(int error);

    libusb_context* context_;
    libusb_device* device_;
    libusb_device_handle* handle_;
    std::u16string name_;
    std::atomic<bool> connected_{true};
};

}  // namespace vox::usb
