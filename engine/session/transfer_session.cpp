#include "engine/session/transfer_session.h"

#include <memory>
#include <type_traits>

#include "engine/session/folder_reader.h"

namespace vox::session {

TransferSession::TransferSession(DeviceContext* link, messages::WindowHandle window,
                                 messages::Message message, SessionFrontEnd& frontEnd,
                                 SessionTiming timing)
    : link_(link),
      frontEnd_(frontEnd),
      timing_(timing),
      batch_(link, window, message, *this, std::move(timing)) {}

TransferSession::~TransferSession() = default;

bool TransferSession::send(const SendRequest& request) {
    return start(planSend(request, frontEnd_), request.folder);
}

bool TransferSession::fetch(const FetchRequest& request) {
    return start(planFetch(request, frontEnd_), request.listedLast);
}

// A refusal or a decline is told and nothing starts.
bool TransferSession::start(PlanResult planned, std::optional<rules::RecorderFolder> listedLast) {
    if (auto* plan = std::get_if<SessionPlan>(&planned)) return run(std::move(*plan), listedLast);
    std::visit(
        [this](const auto& told) {
            if constexpr (!std::is_same_v<std::decay_t<decltype(told)>, SessionPlan>)
                frontEnd_.onEvent(told);
        },
        planned);
    return false;
}

bool TransferSession::run(SessionPlan plan, std::optional<rules::RecorderFolder> listedLast) {
    plan_ = std::move(plan);
    if (plan_.files.empty()) return false;
    listedLast_ = listedLast;
    cancelled_ = false;
    stoppedAs_.reset();
    std::vector<TransferFile> files;
    for (const SessionFile& file : plan_.files) files.push_back(file.transfer);
    batch_.start(std::move(files));
    return true;
}

void TransferSession::onNotice(messages::WParam code, messages::LParam value) {
    batch_.onNotice(code, value);
}

void TransferSession::cancel() {
    cancelled_ = true;
    batch_.cancel();
}

// The recorder reads the names of its commands from the folder it listed
// last, so a file is fetched only after its own folder was.
bool TransferSession::listFolderOf(const SessionFile& file) {
    if (listedLast_ == file.folder) return true;
    auto raw = std::make_unique<DeviceListing>();
    const std::string name = rules::folderListingName(file.folder);
    if (readListing(QVRefreshDevice, link_, name.c_str(), true, *raw) != ListingRead::Read)
        return false;
    listedLast_ = file.folder;
    return true;
}

// Nothing further starts after a cancel. Replaced recorder files that the
// user agreed to lose go right before their successor is sent; a delete the
// recorder does not carry out ends the transfer with nothing sent.
bool TransferSession::beforeFile(std::size_t index) {
    if (cancelled_) {
        stoppedAs_ = BatchEnd::Cancelled;
        frontEnd_.onEvent(event::Cancelled{index});
        return false;
    }
    const SessionFile& file = plan_.files[index];
    if (file.transfer.direction == TransferFile::Direction::ToPc && !listFolderOf(file)) {
        stoppedAs_ = BatchEnd::DeviceFailed;
        return false;
    }
    for (const std::string& name : file.deleteBefore) {
        const int outcome = QVDeleteFile(link_, name.c_str(), STORE_MAIN);
        if (outcome != 0) {
            frontEnd_.onEvent(event::DeleteFailed{index, name, outcome});
            return false;
        }
        frontEnd_.onEvent(event::RecorderFileDeleted{index, name});
        timing_.sleep(timing_.afterReplacedDelete);
    }
    return true;
}

void TransferSession::onTransferEvent(std::size_t index, const TransferEvent& event) {
    if (const auto* started = std::get_if<TransferStarted>(&event))
        return frontEnd_.onEvent(event::FileStarted{index, started->totalBytes});
    if (const auto* progress = std::get_if<TransferProgress>(&event))
        return frontEnd_.onEvent(event::FileProgress{index, progress->bytesMoved});
    const TransferOutcome outcome = std::get<TransferFinished>(event).outcome;
    // The batch keeps the recorder alone for the settle time, counted from
    // the cancel's report, which the front end hears of at that moment.
    if (outcome == TransferOutcome::Cancelled) return frontEnd_.onEvent(event::Cancelled{index});
    // The pause counts from the file's end, and what the front end shows of
    // the file is done within it rather than between the pause and the next
    // file.
    const auto pauseOver = timing_.now() + timing_.afterFile;
    if (outcome == TransferOutcome::Done)
        frontEnd_.onEvent(event::FileArrived{index});
    else
        frontEnd_.onEvent(event::FileFailed{index, outcome});
    timing_.sleepUntil(pauseOver);
}

void TransferSession::onBatchEnd(BatchEnd end, std::size_t filesDone) {
    if (end == BatchEnd::Stopped && stoppedAs_) end = *stoppedAs_;
    frontEnd_.onEvent(event::Finished{end, filesDone, batch_.failure()});
}

}  // namespace vox::session
