// The main window's status bar: the running commentary in pane 0, the size
// of the selection in pane 1 and the memory bar in pane 2.

#include <QLabel>
#include <QStatusBar>

#include "application/core/main_frame.h"
#include "application/core/pelmarch_doc.h"
#include "application/core/selection_summary.h"
#include "application/panes/status_progress_bar.h"
#include "application/resources/resources.h"
#include "engine/rules/rule_texts.h"
#include "engine/rules/size_text.h"
#include "engine/rules/transfer_units.h"
#include "platform/messages/message_numbers.h"

namespace vox::app {

namespace {

// The memory bar counts in display megabytes of 1,024,000 bytes.
constexpr std::uint32_t kDisplayMegabyte = 1024000;
constexpr int kMemoryPane = 2;

QString sizeText(std::uint64_t bytes) {
    return QString::fromStdString(rules::sizeText(bytes));
}

QString tableText(const char* key) {
    return vox::res::text(QString::fromLatin1(key));
}

// A table text with its first "%d" or "%s" filled in; the table never
// serves as a format string.
QString filledIn(const QString& pattern, const QString& value) {
    return QString::fromStdString(rules::fillIn(pattern.toStdString(), value.toStdString()));
}

}  // namespace

// A selection summary names the selection and, for PC files while a recorder
// is listed, the room they would leave or lack; any other message is a text
// (none: "Ready") and clears what the memory bar showed of a selection.
void CMainFrame::onStatusInfo(WParam info, LParam detail) {
    QString main;
    QString size;
    if (info == kIconInfo) {
        const auto* record = reinterpret_cast<const std::int32_t*>(detail);
        main = filledIn(tableText("icon_status"), QString::number(record[3]));
    } else if (info == kSelectionSummaryInfo) {
        const auto& summary = *reinterpret_cast<const SelectionSummary*>(detail);
        main = filledIn(tableText("items_selected"), QString::number(summary.rows));
        size = sizeText(summary.bytes);
        if (summary.kind != 0 && summary.freeBlocks != 0) {
            const std::int64_t diff =
                std::int64_t{summary.neededBlocks} - std::int64_t{summary.freeBlocks};
            const bool over = diff > 0;
            send(vox::messages::WM_MEMORY_BAR, static_cast<WParam>(summary.neededBlocks),
                 over ? 1 : 0);
            const std::uint64_t blocks = static_cast<std::uint64_t>(over ? diff : -diff);
            main += filledIn(tableText(over ? "over_space" : "free_space"),
                             sizeText(blocks * rules::kBlockBytes));
        }
    } else {
        send(vox::messages::WM_MEMORY_BAR, 0, 0);
        main = detail != 0 ? QString::fromUtf8(reinterpret_cast<const char*>(detail))
                           : tableText("ready");
    }
    statusPanes_[0]->setText(main);
    statusPanes_[1]->setText(size);
}

// Used and total space of the listed recorder; the blocks a PC selection
// would add show as the bar's second segment. The total is fixed when the
// bar is made.
void CMainFrame::onMemoryBar(WParam addedBlocks) {
    const DeviceListing& listing = doc_.listing;
    if (listing.totalBytes == 0) {
        if (memoryBar_) memoryBar_->destroy(tableText("ready"));
        memoryBar_.reset();
        return;
    }
    const int total = static_cast<int>(listing.totalBytes / kDisplayMegabyte);
    const std::uint32_t usedBytes =
        listing.totalBytes > listing.freeBytes ? listing.totalBytes - listing.freeBytes : 0;
    const int used = static_cast<int>(usedBytes / kDisplayMegabyte);
    if (!memoryBar_)
        memoryBar_ =
            vox::panes::CProgressBar::create(statusBar(), statusPanes_[kMemoryPane], kMemoryPane,
                                             tableText("memory_bar"), 100, total);
    if (!memoryBar_) return;
    memoryBar_->setText(filledIn(filledIn(tableText("memory_text"), QString::number(used)),
                                 QString::number(total)));
    memoryBar_->control()->setSpokenText(QStringLiteral("%1 of %2 MB used").arg(used).arg(total));
    memoryBar_->setPosition(used);
    memoryBar_->control()->setSecondValue(static_cast<int>(addedBlocks >> 5));
    memoryBar_->control()->update();
}

}  // namespace vox::app
