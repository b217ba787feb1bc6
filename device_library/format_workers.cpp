// Formatting: the format worker runs the FORMAT exchange while a pacer
// thread counts 1 to 100 at a speed estimated from the store's size (the
// recorder reports no progress of its own).

#include <array>
#include <chrono>
#include <thread>

#include "device_library/exchange.h"
#include "device_library/reply_checks.h"
#include "device_library/transfers.h"
#include "usb_driver/vxr250_public.h"

namespace vox::devsys {
namespace {

constexpr int kPacerSteps = 100;
constexpr int kFormatReplyWrong = 3;

void runPacer(const Notifier& notify, std::uint32_t pacingValue) {
    notify.send(FORMAT_STARTED, 0);
    const auto delay = formatStepDelay(pacingValue);
    for (int step = 1; step <= kPacerSteps; ++step) {
        std::this_thread::sleep_for(delay);
        notify.sendPointer(FORMAT_PROGRESS, &step);
    }
    notify.send(FORMAT_DONE, 0);
}

int runFormatWorker(DeviceLink& link, const Notifier& notify, int store) {
    Exchange exchange(link);
    exchange.openOut();
    exchange.openIn();
    exchange.sendCommand(formatCommand(store));
    std::array<std::uint8_t, kReplyBlockSize> reply{};
    exchange.readReply(reply);
    if (!isFormatReply(reply)) {
        exchange.close();
        notify.send(FORMAT_DONE, 0);
        return kFormatReplyWrong;
    }
    const std::uint8_t outcome = exchange.finish().value_or(0);
    exchange.close();
    const int answered = 1;
    notify.sendPointer(FORMAT_DONE, &answered);
    return outcome;
}

}  // namespace

std::chrono::milliseconds formatStepDelay(std::uint32_t pacingValue) {
    return std::chrono::milliseconds((std::uint64_t{pacingValue} * 45) >> 25);
}

int startFormat(DeviceLink& link, DeviceContext* ctx, const FormatRequest* request) {
    if (request == nullptr || !link.lock(ctx)) return 0;
    // Both threads work from a copy: the caller's block need not outlive them.
    const FormatRequest copy = *request;
    const Notifier notify(copy.window, copy.message);
    startWorker(link, nullptr, [notify, pacing = copy.pacingValue] {
        runPacer(notify, pacing);
        return 0;
    });
    startWorker(link, copy.threadSlot, [&link, notify, store = copy.store] {
        return runFormatWorker(link, notify, store);
    });
    return 0;
}

}  // namespace vox::devsys
