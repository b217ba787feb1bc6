#include "tools/voxctl/transfer_runner.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <type_traits>

#include "engine/rules/rule_texts.h"
#include "engine/session/format_run.h"
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

// Answers the session's questions from the flags or the terminal, draws each
// file's progress, and keeps how the transfer ended for the exit status.
class SessionDrawing final : public session::SessionFrontEnd {
  public:
    SessionDrawing(TransferAnswers answers, session::TransferFile::Direction direction,
                   std::string label = {})
        : answers_(answers), direction_(direction), label_(std::move(label)) {}

    void attach(const session::TransferSession& session) { session_ = &session; }

    bool replaceExisting(const std::string& question) override {
        return answers_.force || askYesNo(question);
    }
    bool replaceInPlace(const std::string&) override { return answers_.replaceInPlace; }

    void onEvent(const session::SessionEvent& event) override {
        namespace ev = session::event;
        if (const auto* refused = std::get_if<ev::Refused>(&event))
            error_ = CommandError(kExitRefused, refused->text);
        if (std::holds_alternative<ev::Declined>(event))
            error_ = CommandError(kExitNotConfirmed, declinedText());
        if (const auto* noRoom = std::get_if<ev::ReplaceInPlaceDeclined>(&event))
            error_ = CommandError(
                kExitRefused, noRoom->text + " Give --replace-in-place to replace it that way.");
        if (const auto* started = std::get_if<ev::FileStarted>(&event)) {
            bar_.emplace(labelOf(started->index));
            bar_->start(started->totalBytes);
            startedBytes_ = started->totalBytes;
        }
        if (const auto* progress = std::get_if<ev::FileProgress>(&event); progress && bar_)
            bar_->update(progress->bytesMoved);
        if (std::holds_alternative<ev::FileArrived>(event) ||
            std::holds_alternative<ev::FileFailed>(event) ||
            std::holds_alternative<ev::Cancelled>(event)) {
            if (bar_) bar_->finish();
        }
        if (const auto* failed = std::get_if<ev::FileFailed>(&event);
            failed && failed->outcome == session::TransferOutcome::FileFailed)
            failedFile_ = failed->index;
        if (const auto* refused = std::get_if<ev::DeleteFailed>(&event))
            error_ = deleteError(*refused);
        if (const auto* finished = std::get_if<ev::Finished>(&event)) finished_ = *finished;
    }

    // Throws the command error for how the transfer ended; a plan that
    // started nothing ends with its refusal, or as done when it had no files.
    void throwUnlessDone() const {
        using session::BatchEnd;
        if (!finished_) {
            if (error_) throw *error_;
            return;
        }
        switch (finished_->end) {
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
                throw CommandError(kExitRecorderSaidNo, finished_->failure);
            case BatchEnd::Stopped:
                if (error_) throw *error_;
                throw CommandError(kExitUsbFailed, rules::texts::kUsbFailed);
        }
    }

  private:
    const session::SessionPlan& plan() const { return session_->plan(); }

    std::string labelOf(std::size_t index) const {
        if (!label_.empty()) return label_;
        return progressLabel(rules::pcFileName(plan().files[index].transfer.pcPath), index,
                             plan().files.size());
    }

    std::string declinedText() const {
        return direction_ == session::TransferFile::Direction::ToPc
                   ? "a file of that name is on the PC; give --force to replace it"
                   : "a file of that name is on the recorder; give --force to replace it";
    }

    static CommandError deleteError(const session::event::DeleteFailed& refused) {
        if (refused.outcome < 0) return CommandError(kExitUsbFailed, rules::texts::kUsbFailed);
        return CommandError(kExitRecorderSaidNo, "the recorder refused to delete \"" +
                                                     refused.shortName + "\" (outcome " +
                                                     std::to_string(refused.outcome) + ")");
    }

    // The program's text, then the file and, where known, why.
    std::string fileFailure() const {
        std::string text = rules::texts::kFileOpenFailed;
        if (!failedFile_) return text;
        const session::TransferFile& file = plan().files[*failedFile_].transfer;
        const std::string cause = pcFileCause(file, startedBytes_);
        return text + " " + file.pcPath + (cause.empty() ? "" : ": " + cause);
    }

    TransferAnswers answers_;
    session::TransferFile::Direction direction_;
    std::string label_;  // every file's, when given
    const session::TransferSession* session_ = nullptr;
    std::optional<std::size_t> failedFile_;
    std::uint64_t startedBytes_ = 0;
    std::optional<ProgressBar> bar_;
    std::optional<CommandError> error_;
    std::optional<session::event::Finished> finished_;
};

// Starts a transfer with `start` and pumps it to its end.
void runSession(DeviceContext* link, SessionDrawing& drawing,
                const std::function<void(session::TransferSession&)>& start) {
    std::optional<session::TransferSession> session;
    messages::QueueTarget target([&](messages::Message message, messages::WParam code,
                                     messages::LParam value) -> messages::LResult {
        if (message == kTransferNotify) session->onNotice(code, value);
        return 0;
    });
    session.emplace(link, &target, kTransferNotify, drawing);
    drawing.attach(*session);
    start(*session);
    pumpToEnd(
        target, [&] { return !session->running(); }, [&] { session->cancel(); });
    drawing.throwUnlessDone();
}

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

std::string progressLabel(std::string_view name, std::size_t index, std::size_t count) {
    return std::string(name) + " (" + std::to_string(index + 1) + "/" + std::to_string(count) + ")";
}

void pumpToEnd(messages::QueueTarget& target, const std::function<bool()>& done,
               const std::function<void()>& cancel) {
    while (!target.pumpUntil(done, kPumpSlice))
        if (cancel && InterruptGuard::interrupted()) cancel();
}

void runSend(DeviceContext* link, const session::SendRequest& request, TransferAnswers answers) {
    SessionDrawing drawing(answers, session::TransferFile::Direction::ToRecorder);
    runSession(link, drawing, [&](session::TransferSession& session) { session.send(request); });
}

void runFetch(DeviceContext* link, const session::FetchRequest& request, TransferAnswers answers) {
    SessionDrawing drawing(answers, session::TransferFile::Direction::ToPc);
    runSession(link, drawing, [&](session::TransferSession& session) { session.fetch(request); });
}

session::SessionPlan planFetch(const session::FetchRequest& request, TransferAnswers answers) {
    SessionDrawing drawing(answers, session::TransferFile::Direction::ToPc);
    session::PlanResult planned = session::planFetch(request, drawing);
    if (auto* plan = std::get_if<session::SessionPlan>(&planned)) return std::move(*plan);
    std::visit(
        [&drawing](const auto& told) {
            if constexpr (!std::is_same_v<std::decay_t<decltype(told)>, session::SessionPlan>)
                drawing.onEvent(told);
        },
        planned);
    drawing.throwUnlessDone();
    return {};
}

void runPlan(DeviceContext* link, session::SessionPlan plan,
             std::optional<rules::RecorderFolder> listedLast, const std::string& label) {
    SessionDrawing drawing({}, plan.direction, label);
    runSession(link, drawing, [&](session::TransferSession& session) {
        session.run(std::move(plan), listedLast);
    });
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
