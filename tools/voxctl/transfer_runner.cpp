#include "tools/voxctl/transfer_runner.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "engine/rules/rule_texts.h"
#include "engine/session/format_run.h"
#include "engine/session/session_timing.h"
#include "platform/messages/message_numbers.h"
#include "platform/messages/queue_target.h"
#include "platform/stack/device_stack.h"
#include "tools/voxctl/command_error.h"
#include "tools/voxctl/terminal.h"

namespace vox::voxctl {

namespace {

using namespace std::chrono_literals;

constexpr messages::Message kTransferNotify = messages::WM_TRANSFER_NOTIFY;
constexpr messages::Message kFormatNotify = messages::WM_FORMAT_NOTIFY;
constexpr auto kPumpSlice = 100ms;

std::atomic<bool> interruptSeen{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
// Ctrl-C, and a terminal or session that goes away: each cancels the work
// so that the worker removes what it had begun.
constexpr std::array kInterruptSignals{SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, kInterruptSignals.size()> previousActions{};

void onInterrupt(int) {
    interruptSeen.store(true);
    stack::abandonStuckTransfers();
}

// The library says only that a PC file failed; what the file system shows
// afterwards names the cause where it can: a source we may not read, a
// folder we may not write, or one with less room than the fetched file
// takes (`bytes`, 0 when unknown). Empty when it shows none of these.
std::string pcFileCause(const session::TransferFile& file, std::uint64_t bytes) {
    if (file.direction == session::TransferFile::Direction::ToRecorder)
        return ::access(file.pcPath.c_str(), R_OK) != 0 ? std::strerror(errno) : "";
    const std::string folder = std::filesystem::path(file.pcPath).parent_path().string();
    const std::string existing = folder.empty() ? "." : folder;
    if (::access(existing.c_str(), W_OK) != 0) return std::strerror(errno);
    struct statvfs room {};
    if (::statvfs(existing.c_str(), &room) == 0 &&
        static_cast<std::uint64_t>(room.f_bavail) * room.f_frsize < bytes)
        return std::strerror(ENOSPC);
    return "";
}

// Draws each file's progress and runs its preparation; an error thrown there
// is kept and thrown again once the batch is over.
class BatchDrawing final : public session::BatchListener {
  public:
    explicit BatchDrawing(const std::vector<BatchFile>& files) : files_(files) {}

    bool beforeFile(std::size_t index) override {
        startedBytes_ = 0;
        try {
            if (files_[index].prepare) files_[index].prepare();
        } catch (...) {
            error_ = std::current_exception();
            return false;
        }
        bar_.emplace(files_[index].label);
        return true;
    }
    void onTransferEvent(std::size_t index, const session::TransferEvent& event) override {
        if (const auto* started = std::get_if<session::TransferStarted>(&event)) {
            bar_->start(started->totalBytes);
            startedBytes_ = started->totalBytes;
        }
        if (const auto* progress = std::get_if<session::TransferProgress>(&event))
            bar_->update(progress->bytesMoved);
        if (const auto* finished = std::get_if<session::TransferFinished>(&event)) {
            bar_->finish();
            if (finished->outcome == session::TransferOutcome::FileFailed) failedFile_ = index;
            // The program's pause after each file that was not cancelled,
            // before the recorder is asked anything else.
            if (finished->outcome != session::TransferOutcome::Cancelled)
                std::this_thread::sleep_for(session::SessionTiming{}.afterFile);
        }
    }
    void onBatchEnd(session::BatchEnd how, std::size_t) override { end_ = how; }

    // Throws the command error for how the batch ended.
    void throwUnlessDone(const session::TransferBatch& batch) const {
        using session::BatchEnd;
        switch (end_) {
            case BatchEnd::AllDone:
                return;
            case BatchEnd::FileFailed:
                throw CommandError(kExitPcFile, fileFailure());
            case BatchEnd::DeviceFailed:
            case BatchEnd::RecorderGone:
                throw CommandError(kExitUsbFailed, rules::texts::kUsbFailed);
            case BatchEnd::Cancelled:
                throw CommandError(kExitCancelled, rules::texts::kCancelled);
            case BatchEnd::Busy:
                throw CommandError(kExitBusy, rules::texts::kBusy);
            case BatchEnd::ReplaceFailed:
                throw CommandError(kExitRecorderSaidNo, batch.failure());
            case BatchEnd::Stopped:
                std::rethrow_exception(error_);
        }
    }

  private:
    // The program's text, then the file and, where known, why.
    std::string fileFailure() const {
        std::string text = rules::texts::kFileOpenFailed;
        if (!failedFile_) return text;
        const session::TransferFile& file = files_[*failedFile_].file;
        const std::string cause = pcFileCause(file, startedBytes_);
        return text + " " + file.pcPath + (cause.empty() ? "" : ": " + cause);
    }

    const std::vector<BatchFile>& files_;
    std::optional<std::size_t> failedFile_;
    std::uint64_t startedBytes_ = 0;
    std::optional<ProgressBar> bar_;
    std::exception_ptr error_;
    session::BatchEnd end_ = session::BatchEnd::AllDone;
};

struct FormatDrawing final : session::FormatListener {
    void onFormatEvent(const session::FormatEvent& event) override {
        if (bar == nullptr) return;
        if (std::holds_alternative<session::FormatStarted>(event)) bar->updatePercent(0);
        if (const auto* step = std::get_if<session::FormatStep>(&event))
            bar->updatePercent(step->step);
    }
    void onFormatEnd(bool carried) override { carriedOut = carried; }

    ProgressBar* bar = nullptr;  // null between formats
    bool carriedOut = false;
};

session::FormatRun* runningFormat = nullptr;

// The library joins its pacer thread only when it is unloaded, so the
// target the pacer sends to lives as long as the process.
messages::QueueTarget& formatTarget() {
    static messages::QueueTarget target([](messages::Message message, messages::WParam code,
                                           messages::LParam value) -> messages::LResult {
        if (message == kFormatNotify && runningFormat != nullptr)
            runningFormat->onNotice(code, value);
        return 0;
    });
    return target;
}

// Guards nest (an import inside a watch); the outermost one owns the handlers.
int guardDepth = 0;

}  // namespace

InterruptGuard::InterruptGuard() {
    if (guardDepth++ > 0) return;
    interruptSeen.store(false);
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < kInterruptSignals.size(); ++i)
        sigaction(kInterruptSignals[i], &action, &previousActions[i]);
}

InterruptGuard::~InterruptGuard() {
    if (--guardDepth > 0) return;
    for (std::size_t i = 0; i < kInterruptSignals.size(); ++i)
        sigaction(kInterruptSignals[i], &previousActions[i], nullptr);
}

bool InterruptGuard::interrupted() {
    return interruptSeen.load();
}

void pumpToEnd(messages::QueueTarget& target, const std::function<bool()>& done,
               const std::function<void()>& cancel) {
    while (!target.pumpUntil(done, kPumpSlice))
        if (cancel && InterruptGuard::interrupted()) cancel();
}

void runBatch(DeviceContext* link, std::vector<BatchFile> files) {
    BatchDrawing drawing(files);
    std::optional<session::TransferBatch> batch;
    messages::QueueTarget target([&](messages::Message message, messages::WParam code,
                                     messages::LParam value) -> messages::LResult {
        if (message == kTransferNotify) batch->onNotice(code, value);
        return 0;
    });
    batch.emplace(link, &target, kTransferNotify, drawing);
    std::vector<session::TransferFile> transfers;
    for (const BatchFile& file : files) transfers.push_back(file.file);
    batch->start(std::move(transfers));
    pumpToEnd(
        target, [&] { return !batch->running(); }, [&] { batch->cancel(); });
    drawing.throwUnlessDone(*batch);
}

bool runFormat(DeviceContext* link, std::uint32_t pacingBytes) {
    ProgressBar bar("Format");
    FormatDrawing drawing;
    drawing.bar = &bar;
    session::FormatRun run(link, &formatTarget(), kFormatNotify, drawing);
    runningFormat = &run;
    if (!run.start(pacingBytes)) {
        runningFormat = nullptr;
        throw CommandError(kExitBusy, rules::texts::kBusy);
    }
    pumpToEnd(
        formatTarget(), [&] { return !run.running(); }, nullptr);
    runningFormat = nullptr;
    bar.finish();
    return drawing.carriedOut;
}

}  // namespace vox::voxctl
