// From a front end's request to the files of a transfer: the transfer rules
// decide, the user answers their questions, and every name sent is checked
// against what the recorder can store before anything on it changes.

#include <sys/stat.h>

#include "engine/rules/rule_texts.h"
#include "engine/rules/transfer_units.h"
#include "engine/rules/upload_plan.h"
#include "engine/session/name_clash.h"
#include "engine/session/recorder_names.h"
#include "engine/session/transfer_session.h"

namespace vox::session {

namespace {

bool pcPathExists(const std::string& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0;
}

// Where the folder has no room for a replaced file and its successor at
// once, the user decides whether the old one may go before the new one is
// sent; the files' own overwrite questions were answered already.
std::variant<rules::DownloadPlan, event::ReplaceInPlaceDeclined> planWithUser(
    const SendRequest& request, SessionFrontEnd& frontEnd) {
    const auto confirm = [&frontEnd](const std::string& question) {
        return frontEnd.replaceExisting(question);
    };
    rules::DownloadPlan plan =
        rules::planDownload(request.listing, request.folder, request.files, confirm);
    if (plan.outcome != rules::PlanOutcome::NoRoomForBothCopies) return plan;
    if (!frontEnd.replaceInPlace(plan.message)) return event::ReplaceInPlaceDeclined{plan.message};
    return rules::planDownload(
        request.listing, request.folder, request.files, [](const std::string&) { return true; },
        rules::Replacing::InPlaceWhenNoRoom);
}

// Why a name sent cannot be stored as given; none when every one can.
std::optional<std::string> unstorableName(const SendRequest& request,
                                          const rules::DownloadPlan& plan) {
    const auto version = static_cast<std::uint8_t>(request.versionByte);
    for (const rules::DownloadAction& action : plan.actions) {
        if (action.kind != rules::DownloadAction::Kind::SendPcFile) continue;
        const std::string_view name = rules::pcFileName(action.name);
        if (auto reason = unstorableNameReason(name, version))
            return rules::unstorableNameText(name, *reason);
        if (auto clash = shortNameClashText(request.listing, name, version)) return clash;
    }
    return std::nullopt;
}

}  // namespace

PlanResult planSend(const SendRequest& request, SessionFrontEnd& frontEnd) {
    auto planned = planWithUser(request, frontEnd);
    if (auto* declined = std::get_if<event::ReplaceInPlaceDeclined>(&planned)) return *declined;
    const rules::DownloadPlan& plan = std::get<rules::DownloadPlan>(planned);
    if (plan.outcome == rules::PlanOutcome::Refused) return event::Refused{plan.message};
    if (plan.outcome == rules::PlanOutcome::Declined) return event::Declined{plan.message};
    if (plan.outcome == rules::PlanOutcome::NoRoomForBothCopies)
        return event::ReplaceInPlaceDeclined{plan.message};
    if (auto refusal = unstorableName(request, plan)) return event::Refused{std::move(*refusal)};

    SessionPlan session;
    session.direction = TransferFile::Direction::ToRecorder;
    session.totalBlocks = plan.totalBlocks;
    std::vector<std::string> deletes;
    for (const rules::DownloadAction& action : plan.actions) {
        if (action.kind == rules::DownloadAction::Kind::DeleteRecorderFile) {
            deletes.push_back(action.name);
            continue;
        }
        SessionFile file;
        file.transfer = {TransferFile::Direction::ToRecorder, action.name, {}, {}};
        if (action.replaces)
            file.transfer.replaces =
                Replacement{rules::folderListingName(request.folder), *action.replaces};
        file.blocks = action.blocks;
        file.deleteBefore = std::move(deletes);
        file.folder = request.folder;
        session.files.push_back(std::move(file));
        deletes.clear();
    }
    return session;
}

PlanResult planFetch(const FetchRequest& request, SessionFrontEnd& frontEnd) {
    std::vector<rules::ListedFile> selection;
    for (const FetchRequest::Source& source : request.files) selection.push_back(source.file);
    const rules::UploadPlan plan = rules::planUpload(
        selection, request.pcFolder, pcPathExists,
        [&frontEnd](const std::string& question) { return frontEnd.replaceExisting(question); },
        request.pcNameOf);
    if (plan.outcome == rules::PlanOutcome::Refused) return event::Refused{plan.message};
    if (plan.outcome != rules::PlanOutcome::Ready) return event::Declined{plan.message};

    SessionPlan session;
    session.direction = TransferFile::Direction::ToPc;
    session.totalBlocks = plan.totalBlocks;
    // The items keep the order of the selection.
    for (std::size_t i = 0; i < plan.items.size(); ++i) {
        const rules::UploadItem& item = plan.items[i];
        SessionFile file;
        file.transfer = {TransferFile::Direction::ToPc, item.pcPath, item.recorderName, {}};
        file.blocks = item.blocks;
        file.folder = request.files[i].folder;
        file.recorderFile = request.files[i].file;
        session.files.push_back(std::move(file));
    }
    return session;
}

}  // namespace vox::session
