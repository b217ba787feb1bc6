// Upload and Download: the transfer rules check the request and ask the
// user; the main window turns their answer into boxes and the batch that the
// recorder form then runs.

#include <sys/stat.h>

#include "application/core/main_frame.h"
#include "application/core/message_boxes.h"
#include "application/core/pelmarch_doc.h"
#include "application/panes/dir_panes.h"
#include "application/panes/dropped_files.h"
#include "application/panes/flash_form.h"
#include "application/panes/flash_list.h"
#include "application/panes/flash_operations.h"
#include "application/resources/resources.h"
#include "engine/rules/download_plan.h"
#include "engine/rules/listed_entry.h"
#include "engine/rules/rule_texts.h"
#include "engine/rules/upload_plan.h"
#include "engine/session/name_clash.h"
#include "engine/session/recorder_names.h"

namespace vox::app {

namespace {

using vox::session::TransferFile;

bool askOkCancel(const std::string& question) {
    return messageBoxes().show(QString::fromStdString(question), BoxButtons::OkCancel,
                               BoxIcon::None) == BoxAnswer::Ok;
}

void tell(const std::string& text) {
    messageBoxes().show(QString::fromStdString(text), BoxButtons::Ok, BoxIcon::None);
}

// A path that cannot be read counts as an empty file: it is refused.
rules::PcFile pcFile(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return {path, 0, false};
    return {path, static_cast<std::uint64_t>(status.st_size), S_ISDIR(status.st_mode)};
}

bool pcPathExists(const std::string& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0;
}

void clearTransferArea(CPelmarchDoc& doc) {
    doc.transferCount = 0;
    doc.transferIndex = 0;
    doc.totalBlocks = 0;
    doc.freeBytesAtStart = 0;
    doc.transferEntries = {};
}

// Where the folder has no room for a replaced file and its successor at
// once, the user decides whether the old one may go before the new one is
// sent; the files' own overwrite questions were answered already.
rules::DownloadPlan planWithUser(const rules::RecorderListing& listing,
                                 rules::RecorderFolder folder,
                                 const std::vector<rules::PcFile>& files) {
    rules::DownloadPlan plan = rules::planDownload(listing, folder, files, askOkCancel);
    if (plan.outcome != rules::PlanOutcome::NoRoomForBothCopies) return plan;
    if (!askOkCancel(plan.message + "\n" + rules::texts::kReplaceInPlaceQuestion)) {
        plan.outcome = rules::PlanOutcome::Declined;
        return plan;
    }
    return rules::planDownload(
        listing, folder, files, [](const std::string&) { return true; },
        rules::Replacing::InPlaceWhenNoRoom);
}

}  // namespace

bool CMainFrame::refuseWhileBusy() {
    if (!doc_.deviceWorkerRunning()) return false;
    messageBoxes().show(vox::res::text(QStringLiteral("busy")), BoxButtons::Ok, BoxIcon::Stop);
    return true;
}

std::vector<std::size_t> CMainFrame::selectedRecorderRows() const {
    std::vector<std::size_t> rows;
    if (!flashList_) return rows;
    for (int row = 0; row < flashList_->topLevelItemCount(); ++row)
        if (flashList_->topLevelItem(row)->isSelected()) rows.push_back(row);
    return rows;
}

void CMainFrame::onUpload() {
    const std::vector<std::size_t> rows = selectedRecorderRows();
    if (rows.empty() || refuseWhileBusy()) return;
    clearTransferArea(doc_);
    std::vector<rules::ListedFile> selection;
    std::vector<const DeviceEntry*> entries;
    for (std::size_t row : rows) {
        if (static_cast<int>(row) + 2 >= rules::listedEntryCount(doc_.listing)) continue;
        entries.push_back(&doc_.listing.entries[row + 2]);
        selection.push_back(rules::listedFile(*entries.back()));
    }
    const rules::UploadPlan plan =
        rules::planUpload(selection, doc_.workingDirectory, pcPathExists, askOkCancel);
    if (plan.outcome == rules::PlanOutcome::Refused) return tell(plan.message);
    if (plan.outcome != rules::PlanOutcome::Ready || plan.items.empty()) return;

    std::vector<TransferFile> files;
    for (std::size_t i = 0; i < plan.items.size(); ++i) {
        const rules::UploadItem& item = plan.items[i];
        doc_.transferEntries[i] = *entries[i];
        files.push_back({TransferFile::Direction::ToPc, item.pcPath, item.recorderName, {}});
    }
    doc_.transferCount = static_cast<int>(files.size());
    doc_.totalBlocks = static_cast<int>(plan.totalBlocks);
    doc_.transferDirection = 0;
    if (doc_.deviceLink) flashForm_->operations().startBatch(doc_.deviceLink, std::move(files));
}

// The PC list's selection, or the paths dropped from the desktop.
void CMainFrame::onDownload(WParam source, LParam dropped) {
    std::vector<std::string> paths;
    if (source == vox::panes::kDroppedFiles) {
        if (dropped != 0) paths = reinterpret_cast<const vox::panes::DroppedFiles*>(dropped)->paths;
    } else if (dirList_) {
        for (const std::string& name : dirList_->selectedNames())
            paths.push_back(doc_.workingDirectory + name);
    }
    if (paths.empty() || refuseWhileBusy()) return;
    if (doc_.currentFolder < 0 || doc_.currentFolder > 4) return;  // no recorder folder listed
    clearTransferArea(doc_);
    doc_.freeBytesAtStart = doc_.listing.freeBytes;

    std::vector<rules::PcFile> files;
    for (const std::string& path : paths) files.push_back(pcFile(path));
    const auto folder = static_cast<rules::RecorderFolder>(doc_.currentFolder);
    const rules::DownloadPlan plan = planWithUser(rules::listedFolder(doc_.listing), folder, files);
    if (plan.outcome == rules::PlanOutcome::Refused) return tell(plan.message);
    if (plan.outcome != rules::PlanOutcome::Ready) return;
    // Every name is checked before anything is sent.
    for (const rules::DownloadAction& action : plan.actions) {
        if (action.kind != rules::DownloadAction::Kind::SendPcFile) continue;
        const std::string_view name = rules::pcFileName(action.name);
        if (auto reason = vox::session::unstorableNameReason(name, doc_.listing.versionByte))
            return tell(rules::unstorableNameText(name, *reason));
        if (auto clash = vox::session::shortNameClashText(rules::listedFolder(doc_.listing), name,
                                                          doc_.listing.versionByte))
            return tell(*clash);
    }

    std::vector<TransferFile> sends;
    std::vector<std::vector<std::string>> deleteBefore(1);
    for (const rules::DownloadAction& action : plan.actions) {
        if (action.kind == rules::DownloadAction::Kind::DeleteRecorderFile) {
            deleteBefore.back().push_back(action.name);
            continue;
        }
        TransferFile file{TransferFile::Direction::ToRecorder, action.name, {}, {}};
        if (action.replaces)
            file.replaces =
                vox::session::Replacement{rules::folderListingName(folder), *action.replaces};
        // The actions keep the order of the selection.
        doc_.transferEntries[sends.size()].size =
            static_cast<std::uint32_t>(files[sends.size()].size);
        sends.push_back(std::move(file));
        deleteBefore.emplace_back();
    }
    deleteBefore.pop_back();
    doc_.transferCount = static_cast<int>(sends.size());
    doc_.totalBlocks = static_cast<int>(plan.totalBlocks);
    doc_.transferDirection = 1;
    if (doc_.deviceLink)
        flashForm_->operations().startBatch(doc_.deviceLink, std::move(sends),
                                            std::move(deleteBefore));
}

}  // namespace vox::app
