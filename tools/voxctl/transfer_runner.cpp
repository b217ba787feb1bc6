#include "tools/voxctl/transfer_runner.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include "application/core/rules/rule_texts.h"
#include "platform/messages/message_numbers.h"
#include "platform/messages/queue_target.h"
#include "platform/messages/worker.h"
#include "tools/voxctl/command_error.h"
#include "tools/voxctl/terminal.h"

namespace vox::voxctl {

namespace {

using namespace std::chrono_literals;

constexpr messages::Message kTransferNotify = messages::WM_TRANSFER_NOTIFY;
constexpr messages::Message kFormatNotify = messages::WM_FORMAT_NOTIFY;
// After a cancelled transfer the recorder needs this long before it is
// asked anything again.
constexpr auto kSettleAfterCancel = 2600ms;
constexpr auto kPumpSlice = 100ms;

std::atomic<bool> interruptSeen{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
struct sigaction previousAction {};

void onInterrupt(int) {
    interruptSeen.store(true);
}

template <typename T>
T pointee(messages::LParam lParam) {
    return lParam == 0 ? T{} : *reinterpret_cast<const T*>(lParam);
}

messages::ThreadHandle requireWorker(messages::ThreadHandle slot) {
    if (slot == nullptr) throw CommandError(kExitBusy, rules::texts::kBusy);
    return slot;
}

// Joins a worker that has reported its end; the handle is ours to free.
void endWorker(messages::ThreadHandle worker) {
    worker->join();
    delete worker;
}

// Pumps `target` until `done`, raising `cancel` once Ctrl-C was pressed.
void pumpToEnd(messages::QueueTarget& target, const std::function<bool()>& done, int* cancel) {
    while (!target.pumpUntil(done, kPumpSlice))
        if (cancel != nullptr && InterruptGuard::interrupted())
            std::atomic_ref<int>(*cancel).store(1);
}

struct FormatWatch {
    ProgressBar* bar = nullptr;  // null between formats
    int endNotices = 0;
    bool carriedOut = false;
};

FormatWatch& formatWatch() {
    static FormatWatch watch;
    return watch;
}

// The library joins its pacer thread only when it is unloaded, so the
// target the pacer sends to lives as long as the process.
messages::QueueTarget& formatTarget() {
    static messages::QueueTarget target([](messages::Message message, messages::WParam code,
                                           messages::LParam value) -> messages::LResult {
        FormatWatch& watch = formatWatch();
        if (message != kFormatNotify || watch.bar == nullptr) return 0;
        if (code == FORMAT_STARTED) watch.bar->updatePercent(0);
        if (code == FORMAT_PROGRESS) watch.bar->updatePercent(pointee<int>(value));
        // The pacer ends with a null notice; the format worker with a
        // pointer to 1 when the recorder answered, null when it did not.
        if (code == FORMAT_DONE) {
            ++watch.endNotices;
            if (pointee<int>(value) == 1) watch.carriedOut = true;
        }
        return 0;
    });
    return target;
}

}  // namespace

InterruptGuard::InterruptGuard() {
    interruptSeen.store(false);
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previousAction);
}

InterruptGuard::~InterruptGuard() {
    sigaction(SIGINT, &previousAction, nullptr);
}

bool InterruptGuard::interrupted() {
    return interruptSeen.load();
}

int runTransfer(DeviceContext* link, const std::string& label, const StartTransfer& start) {
    ProgressBar bar(label);
    bool finished = false;
    int outcome = TRANSFER_DONE;
    messages::QueueTarget target([&](messages::Message message, messages::WParam code,
                                     messages::LParam value) -> messages::LResult {
        if (message != kTransferNotify) return 0;
        if (code == TRANSFER_STARTED) bar.start(pointee<std::uint32_t>(value));
        if (code == TRANSFER_PROGRESS) bar.update(pointee<std::uint32_t>(value));
        if (code == TRANSFER_FINISHED) {
            outcome = static_cast<int>(value);
            finished = true;
        }
        return 0;
    });
    int cancel = 0;
    messages::ThreadHandle slot = nullptr;
    start(&target, kTransferNotify, &slot, &cancel);
    messages::ThreadHandle worker = requireWorker(slot);
    pumpToEnd(
        target, [&] { return finished; }, &cancel);
    bar.finish();
    if (outcome == TRANSFER_CANCELLED) std::this_thread::sleep_for(kSettleAfterCancel);
    endWorker(worker);
    UnlockDev(link);
    // A transfer that ended early may leave a reply block behind; the
    // identify exchange skips it.
    if (outcome != TRANSFER_DONE) QVCheckDevice(link);
    return outcome;
}

bool runFormat(DeviceContext* link, std::uint32_t pacingBytes) {
    ProgressBar bar("Format");
    FormatWatch& watch = formatWatch();
    watch = FormatWatch{&bar};
    messages::ThreadHandle slot = nullptr;
    FormatRequest request{pacingBytes, &formatTarget(), kFormatNotify, STORE_MAIN, &slot};
    QVFormatDevice(link, &request);
    messages::ThreadHandle worker = requireWorker(slot);
    pumpToEnd(
        formatTarget(), [&] { return watch.endNotices == 2; }, nullptr);
    watch.bar = nullptr;
    bar.finish();
    endWorker(worker);
    UnlockDev(link);
    return watch.carriedOut;
}

}  // namespace vox::voxctl
