#pragma once
// Ending a transfer the recorder stopped answering, on the user's request.
// Cancel in the program and Ctrl-C in voxctl ask for it; a transfer on the
// libusb bus that is still waiting a short grace time after the request is
// cancelled and fails, so the operation ends instead of waiting for the
// transfer's own time limit. Transfers that finish within the grace time
// (every healthy one) are left alone, so a cancel between blocks still ends
// the exchange cleanly.

#include <chrono>
#include <cstdint>

namespace vox::usb {

// How long a transfer under way may still take once the user asked to stop.
constexpr std::chrono::milliseconds kStuckTransferGrace{400};

// Safe to call from a signal handler (one atomic increment).
void abandonStuckTransfers() noexcept;

// Counts the requests so far; a transfer compares the count at its start
// with the count while it waits.
std::uint64_t stuckTransferRequests() noexcept;

}  // namespace vox::usb
