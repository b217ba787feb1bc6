#include "platform/usb/stuck_transfers.h"

#include <atomic>

namespace vox::usb {
namespace {

std::atomic<std::uint64_t> requests{0};
static_assert(std::atomic<std::uint64_t>::is_always_lock_free, "changed from a signal handler");

}  // namespace

void abandonStuckTransfers() noexcept {
    requests.fetch_add(1, std::memory_order_relaxed);
}

std::uint64_t stuckTransferRequests() noexcept {
    return requests.load(std::memory_order_relaxed);
}

}  // namespace vox::usb
