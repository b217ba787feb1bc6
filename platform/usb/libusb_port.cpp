#include "platform/usb/libusb_port.h"

#include <libusb.h>

#include <atomic>
#include <cstdio>
#include <optional>

#include "platform/kernel/unicode_string.h"
#include "platform/usb/stuck_transfers.h"

namespace vox::usb {
namespace {

using Clock = std::chrono::steady_clock;

// How often a waiting stage looks whether the user asked to stop.
constexpr timeval kEventSlice{0, 50'000};

// The flag is set by whichever thread handles the completion (the bus's
// event thread, or the waiting one) and read by the waiting one.
void markCompleted(libusb_transfer* transfer) {
    std::atomic_ref<int>(*static_cast<int*>(transfer->user_data)).store(1);
}

bool isCompleted(int& completed) {
    return std::atomic_ref<int>(completed).load() != 0;
}

unsigned int milliseconds(std::chrono::milliseconds limit) {
    return static_cast<unsigned int>(limit.count());
}

}  // namespace

std::chrono::milliseconds bulkTimeLimit(std::uint8_t endpoint, std::size_t length) {
    const bool in = (endpoint & LIBUSB_ENDPOINT_IN) != 0;
    return in && length <= kPacketSize ? kReplyTimeLimit : kStageTimeLimit;
}

LibusbPort::LibusbPort(libusb_context* context, libusb_device* device, libusb_device_handle* handle)
    : context_(context), device_(libusb_ref_device(device)), handle_(handle) {
    char name[32];
    std::snprintf(name, sizeof name, "%03u-%03u", libusb_get_bus_number(device),
                  libusb_get_device_address(device));
    name_ = kernel::widen(name);
}

LibusbPort::~LibusbPort() {
    libusb_release_interface(handle_, 0);
    libusb_close(handle_);
    libusb_unref_device(device_);
}

UsbResult LibusbPort::getDescriptor(std::uint8_t type, std::uint8_t index, std::uint16_t language,
                                    std::span<std::uint8_t> buffer) {
    const auto length = static_cast<std::uint16_t>(buffer.size() > 0xFFFF ? 0xFFFF : buffer.size());
    const int got = libusb_control_transfer(
        handle_, LIBUSB_ENDPOINT_IN, LIBUSB_REQUEST_GET_DESCRIPTOR,
        static_cast<std::uint16_t>(type << 8 | index), type == LIBUSB_DT_STRING ? language : 0,
        buffer.data(), length, milliseconds(kControlTimeLimit));
    if (got < 0) return {statusOf(got), 0};
    return {UsbStatus::Ok, static_cast<std::size_t>(got)};
}

UsbStatus LibusbPort::setConfiguration(std::uint8_t) {
    // The recorder has one configuration, selected when it was opened.
    return connected_ ? UsbStatus::Ok : UsbStatus::Disconnected;
}

UsbResult LibusbPort::bulkTransfer(std::uint8_t endpoint, std::span<std::uint8_t> buffer) {
    if (!connected_) return {UsbStatus::Disconnected, 0};
    libusb_transfer* transfer = libusb_alloc_transfer(0);
    if (transfer == nullptr) return {UsbStatus::Stall, 0};
    int completed = 0;
    libusb_fill_bulk_transfer(transfer, handle_, endpoint, buffer.data(),
                              static_cast<int>(buffer.size()), &markCompleted, &completed,
                              milliseconds(bulkTimeLimit(endpoint, buffer.size())));
    // Taken before the transfer can get stuck, so that no request after it is missed.
    const std::uint64_t requestsBefore = stuckTransferRequests();
    const int submitted = libusb_submit_transfer(transfer);
    if (submitted != 0) {
        libusb_free_transfer(transfer);
        return {statusOf(submitted), 0};
    }
    waitForCompletion(transfer, completed, requestsBefore);
    const UsbResult result = resultOf(*transfer);
    libusb_free_transfer(transfer);
    return result;
}

void LibusbPort::waitForCompletion(libusb_transfer* transfer, int& completed,
                                   std::uint64_t requestsAtStart) {
    std::optional<Clock::time_point> abandonAt;
    bool cancelled = false;
    while (!isCompleted(completed)) {
        timeval slice = kEventSlice;
        libusb_handle_events_timeout_completed(context_, &slice, &completed);
        if (isCompleted(completed) || cancelled) continue;
        if (!abandonAt && stuckTransferRequests() != requestsAtStart)
            abandonAt = Clock::now() + kStuckTransferGrace;
        if (abandonAt && Clock::now() >= *abandonAt) {
            // Not found means it completed meanwhile; either way its
            // callback comes through the event handling above.
            libusb_cancel_transfer(transfer);
            cancelled = true;
        }
    }
}

UsbResult LibusbPort::resultOf(const libusb_transfer& transfer) {
    const auto moved =
        static_cast<std::size_t>(transfer.actual_length < 0 ? 0 : transfer.actual_length);
    switch (transfer.status) {
        case LIBUSB_TRANSFER_COMPLETED:
            return {UsbStatus::Ok, moved};
        case LIBUSB_TRANSFER_NO_DEVICE:
            connected_ = false;
            return {UsbStatus::Disconnected, moved};
        case LIBUSB_TRANSFER_STALL:
            recoverFromStall(transfer.endpoint);
            return {connected_ ? UsbStatus::Stall : UsbStatus::Disconnected, moved};
        default:
            // Timed out, cancelled, an overflow or an error on the wire: the
            // stage failed and the next request on the pipe starts with a
            // pipe reset.
            return {UsbStatus::Stall, moved};
    }
}

void LibusbPort::recoverFromStall(std::uint8_t endpoint) {
    const int cleared = libusb_clear_halt(handle_, endpoint);
    if (cleared == 0 || cleared == LIBUSB_ERROR_NO_DEVICE) {
        if (cleared != 0) connected_ = false;
        return;
    }
    resetPort();
}

UsbStatus LibusbPort::vendorRequest(std::uint8_t request, std::uint16_t value,
                                    std::uint16_t index) {
    const int result = libusb_control_transfer(handle_, kVendorToEndpoint, request, value, index,
                                               nullptr, 0, milliseconds(kControlTimeLimit));
    return result < 0 ? statusOf(result) : UsbStatus::Ok;
}

UsbStatus LibusbPort::resetPipe(std::uint8_t endpoint) {
    const int result = libusb_clear_halt(handle_, endpoint);
    return result < 0 ? statusOf(result) : UsbStatus::Ok;
}

UsbStatus LibusbPort::resetPort() {
    // After a reset the recorder may come back as a new device (libusb says
    // "not found"): this one is gone, and the bus sees the arrival.
    const int result = libusb_reset_device(handle_);
    if (result == LIBUSB_ERROR_NOT_FOUND) connected_ = false;
    return result < 0 ? statusOf(result) : UsbStatus::Ok;
}

UsbStatus LibusbPort::statusOf(int error) {
    if (error == LIBUSB_ERROR_NO_DEVICE) connected_ = false;
    return connected_ ? UsbStatus::Stall : UsbStatus::Disconnected;
}

}  // namespace vox::usb
