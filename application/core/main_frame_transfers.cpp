// Upload and Download: the main window turns the selection into the
// session's request, which the recorder form plans with the user and runs.

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
#include "engine/rules/listed_entry.h"

namespace vox::app {

namespace {

// A path that cannot be read counts as an empty file: it is refused.
rules::PcFile pcFile(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return {path, 0, false};
    return {path, static_cast<std::uint64_t>(status.st_size), S_ISDIR(status.st_mode)};
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
    // The recorder list shows MP3 until a folder is chosen in the tree.
    const auto folder = doc_.currentFolder >= 0 && doc_.currentFolder <= 4
                            ? static_cast<rules::RecorderFolder>(doc_.currentFolder)
                            : rules::RecorderFolder::Mp3;
    vox::session::FetchRequest request;
    for (std::size_t row : rows) {
        if (static_cast<int>(row) + 2 >= rules::listedEntryCount(doc_.listing)) continue;
        request.files.push_back({folder, rules::listedFile(doc_.listing.entries[row + 2])});
    }
    request.pcFolder = doc_.workingDirectory;
    request.listedLast = folder;
    if (doc_.deviceLink) flashForm_->operations().fetch(doc_.deviceLink, request);
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
    vox::session::SendRequest request;
    request.folder = static_cast<rules::RecorderFolder>(doc_.currentFolder);
    request.listing = rules::listedFolder(doc_.listing);
    request.versionByte = doc_.listing.versionByte;
    for (const std::string& path : paths) request.files.push_back(pcFile(path));
    if (doc_.deviceLink) flashForm_->operations().send(doc_.deviceLink, request);
}

}  // namespace vox::app
