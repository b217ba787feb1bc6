#pragma once
// Runs the transfer session's transfers and formats to their end on
// voxctl's main thread: the workers' notices are pumped from a queue, the
// session's events are drawn as progress bars and ended as exit statuses,
// and Ctrl-C is handed to the worker through the session, so the worker
// stops at a block boundary and cleans up itself.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "device_library/qvdevsys.h"
#include "engine/session/transfer_session.h"
#include "platform/messages/queue_target.h"

namespace vox::voxctl {

// While one lives, Ctrl-C (and SIGTERM and SIGHUP) only raise a flag
// instead of ending voxctl.
class InterruptGuard {
  public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    static bool interrupted();
};

// Pumps `target` until `done`, calling `cancel` once Ctrl-C was pressed.
void pumpToEnd(messages::QueueTarget& target, const std::function<bool()>& done,
               const std::function<void()>& cancel);

// "NAME (2/5)": a file's label beside its progress.
std::string progressLabel(std::string_view name, std::size_t index, std::size_t count);

// How voxctl answers the transfer session's questions: from its flags, and
// by asking on the terminal where a flag does not decide.
struct TransferAnswers {
    bool force = false;           // replace files of the same name without asking
    bool replaceInPlace = false;  // let a replaced recorder file go before its successor
};

// Plans and runs a transfer on the session to its end, drawing each file's
// progress. Throws the command error of a refusal or decline, of a file that
// did not arrive whole, of a recorder gone between files, of a busy library
// or of a delete the recorder did not carry out.
void runSend(DeviceContext* link, const session::SendRequest& request, TransferAnswers answers);
void runFetch(DeviceContext* link, const session::FetchRequest& request, TransferAnswers answers);
// Plans a fetch as runFetch does, for a front end that fetches the files
// its own way; throws the command error of a refusal or decline.
session::SessionPlan planFetch(const session::FetchRequest& request, TransferAnswers answers);
// Runs a plan made here (a copy into a file of ours), each file shown with
// `label`; `listedLast` is the folder the recorder listed last.
void runPlan(DeviceContext* link, session::SessionPlan plan,
             std::optional<rules::RecorderFolder> listedLast, const std::string& label);

// Formats the main store; true when the recorder carried it out.
bool runFormat(DeviceContext* link, std::uint32_t pacingBytes);

}  // namespace vox::voxctl
