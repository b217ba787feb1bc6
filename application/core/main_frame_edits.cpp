// Delete, Move and Format: the recorder's own edits. Each checks its request,
// asks the user and starts the work; the recorder form shows it.

#include "application/core/delete_worker.h"
#include "application/core/main_frame.h"
#include "application/core/message_boxes.h"
#include "application/core/pelmarch_doc.h"
#include "application/panes/flash_form.h"
#include "application/panes/flash_list.h"
#include "application/panes/flash_operations.h"
#include "engine/rules/listed_entry.h"
#include "engine/rules/recorder_edits.h"
#include "engine/rules/rule_texts.h"
#include "engine/session/recorder_move.h"
#include "platform/messages/message_numbers.h"

namespace vox::app {

namespace {

bool askOkCancel(const std::string& question) {
    return messageBoxes().show(QString::fromStdString(question), BoxButtons::OkCancel,
                               BoxIcon::None) == BoxAnswer::Ok;
}

}  // namespace

void CMainFrame::onDelete() {
    const std::vector<std::size_t> rows = selectedRecorderRows();
    if (rows.empty() || refuseWhileBusy()) return;
    std::vector<DeleteItem> items;
    std::vector<std::string> shownNames;
    for (std::size_t row : rules::deletionOrder(rows)) {
        if (static_cast<int>(row) + 2 >= rules::listedEntryCount(doc_.listing)) continue;
        const rules::ListedFile file = rules::listedFile(doc_.listing.entries[row + 2]);
        items.push_back({file.shortName, static_cast<int>(row)});
        shownNames.push_back(file.longName);
    }
    if (!doc_.deviceLink || items.empty()) return;
    if (!askOkCancel(rules::fillIn(rules::texts::kDeleteQuestion, std::to_string(items.size()))))
        return;
    DeleteJob job{doc_.deviceLink, std::move(items), flashForm_, doc_.cancelFlagAddress()};
    flashForm_->operations().startDelete(std::move(job), std::move(shownNames));
}

// One row one place up or down in the folder's play order.
void CMainFrame::onMove(bool up) {
    const std::vector<std::size_t> rows = selectedRecorderRows();
    if (rows.size() != 1 || refuseWhileBusy()) return;
    // The list shows the folder as it is afterwards, whatever the recorder said.
    const auto moved = vox::session::moveFile(rules::listedFolder(doc_.listing), rows.front(), up,
                                              [this] { return doc_.checkDevice(); });
    if (moved && flashList_) flashList_->send(vox::messages::WM_REFRESH_LIST, moved->position, 0);
}

// The device check would take the link from under a running worker, so a
// format request waits for the worker's end like the others.
void CMainFrame::onFormat() {
    if (refuseWhileBusy()) return;
    DeviceContext* link = doc_.checkDevice();
    if (!link) return;
    if (!askOkCancel(rules::texts::kFormatQuestion) ||
        !askOkCancel(rules::texts::kFormatPlugWarning))
        return;
    if (!flashForm_->operations().startFormat(link, doc_.listing.totalBytes))
        messageBoxes().show(QString::fromLatin1(rules::texts::kBusy), BoxButtons::Ok,
                            BoxIcon::Stop);
}

}  // namespace vox::app
