// The transfer loop: one batch of up to 100 files between the PC and the
// recorder, one file at a time, with the Current bar for the file and the
// Total bar for the batch, the next file after a device check, and the end
// of the batch with what it refreshes.

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <thread>

#include "application/core/frame_messages.h"
#include "application/core/message_boxes.h"
#include "application/core/pelmarch_doc.h"
#include "application/panes/dir_list.h"
#include "application/panes/flash_form.h"
#include "application/panes/flash_list.h"
#include "application/panes/flash_operations.h"
#include "engine/rules/listed_entry.h"
#include "engine/rules/rule_texts.h"
#include "engine/rules/transfer_units.h"
#include "platform/messages/message_numbers.h"
#include "platform/stack/device_stack.h"

namespace vox::app {

namespace msg = vox::messages;
using namespace std::chrono_literals;
using vox::session::BatchEnd;
using vox::session::TransferOutcome;

namespace {

// After a failed transfer the recorder is checked again this much later.
constexpr int kRefreshAfterFailureMs = 100;

}  // namespace

// A file or a batch of 0 blocks has nothing left to move: it shows 100%.
QString percentText(int done, int whole) {
    const int percent = whole == 0 ? 100 : static_cast<int>(done * 100LL / whole);
    return QStringLiteral("%1% Complete").arg(percent);
}

QString batchText(int done, int whole, int file, int files) {
    return percentText(done, whole) + QStringLiteral(" (%1/%2)").arg(file).arg(files);
}

FlashOperations::FlashOperations(CPelmarchDoc& doc, CFlashForm& form) : doc_(doc), form_(form) {}

FlashOperations::~FlashOperations() {
    // The workers still send to the form; their notices are handled until
    // each has ended (a conversion runs to its end).
    if (batch_ && batch_->running()) batch_->cancel();
    if (doc_.workerThread) doc_.setCancel(1);
    while ((batch_ && batch_->running()) || (format_ && format_->running()) || doc_.workerThread ||
           doc_.conversionThread)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void FlashOperations::startBatch(DeviceContext* link, std::vector<session::TransferFile> files,
                                 std::vector<std::vector<std::string>> deleteBefore) {
    deleteBefore_ = std::move(deleteBefore);
    deleteBefore_.resize(files.size());
    replaces_.clear();
    paths_.clear();
    for (std::size_t i = 0; i < files.size(); ++i) {
        replaces_.push_back(files[i].replaces.has_value() || !deleteBefore_[i].empty());
        paths_.push_back(files[i].pcPath);
    }
    link_ = link;
    batch_ = std::make_unique<session::TransferBatch>(link, &form_, msg::WM_TRANSFER_NOTIFY, *this,
                                                      timing_);
    doc_.sessionWorker = true;
    batch_->start(std::move(files));
}

void FlashOperations::cancel() {
    if (batch_ && batch_->running()) batch_->cancel();
    // A block the recorder stopped answering in the middle of ends too.
    stack::abandonStuckTransfers();
}

void FlashOperations::onTransferNotice(msg::WParam code, msg::LParam value) {
    if (batch_) batch_->onNotice(code, value);
}

int FlashOperations::fileBlocks(std::size_t index) const {
    return static_cast<int>(rules::blockCount(doc_.transferEntries[index].size));
}

int FlashOperations::blocksBefore(std::size_t index) const {
    int blocks = 0;
    for (std::size_t i = 0; i < index; ++i) blocks += fileBlocks(i);
    return blocks;
}

// Replaced recorder files that the user agreed to lose go right before
// their successor is sent; a delete the recorder does not carry out ends
// the batch with nothing sent.
bool FlashOperations::beforeFile(std::size_t index) {
    doc_.transferIndex = static_cast<int>(index);
    for (const std::string& name : deleteBefore_[index]) {
        if (QVDeleteFile(link_, name.c_str(), STORE_MAIN) != 0) return false;
        std::this_thread::sleep_for(timing_.afterReplacedDelete);
    }
    return true;
}

void FlashOperations::onTransferEvent(std::size_t index, const session::TransferEvent& event) {
    if (std::holds_alternative<session::TransferStarted>(event)) {
        doc_.busy = 1;
        enableControls(false);
        form_.currentBar()->setRange(0, fileBlocks(index));
        form_.currentBar()->setPosition(0);
        form_.currentBar()->setText(percentText(0, 1));
        if (index == 0) {
            doc_.setCancel(0);
            form_.totalBar()->setRange(0, doc_.totalBlocks);
            form_.totalBar()->setPosition(0);
            form_.totalBar()->setText(batchText(0, 1, 1, doc_.transferCount));
        }
        statusText(doc_.transferDirection == 1
                       ? QString::fromStdString(paths_[index])
                       : QString::fromStdString(doc_.transferEntries[index].longName));
        return;
    }
    if (const auto* progress = std::get_if<session::TransferProgress>(&event)) {
        showTransferProgress(index, static_cast<int>(rules::blockCount(progress->bytesMoved)));
        return;
    }
    const auto& finished = std::get<session::TransferFinished>(event);
    doc_.busy = 0;
    // The batch keeps the recorder alone for the settle time, counted from
    // the cancel's report, before it checks it again; the box appears at
    // that moment so that the settle is counted from the box, however
    // quickly the user closes it.
    if (finished.outcome == TransferOutcome::Cancelled)
        return showBox(QString::fromLatin1(rules::texts::kCancelled));
    // The pause counts from the file's end, and the arrived file's row is
    // added within it rather than between the pause and the next file.
    const auto pauseOver = timing_.now() + timing_.afterFile;
    if (finished.outcome == TransferOutcome::Done) showArrivedFile(index);
    timing_.sleepUntil(pauseOver);
}

// A file shows in its list once it is whole there; a file that replaced one
// is shown by the row it took over.
void FlashOperations::showArrivedFile(std::size_t index) {
    if (doc_.transferDirection == 1) {
        if (doc_.flashList && !replaces_[index])
            doc_.flashList->addPcFile(QString::fromStdString(paths_[index]));
    } else if (doc_.dirList) {
        doc_.dirList->fileArrived(rules::listedFile(doc_.transferEntries[index]));
    }
}

void FlashOperations::showTransferProgress(std::size_t index, int done) {
    form_.currentBar()->setPosition(done);
    form_.currentBar()->setText(percentText(done, fileBlocks(index)));
    const int all = blocksBefore(index) + done;
    form_.totalBar()->setPosition(all);
    form_.totalBar()->setText(
        batchText(all, doc_.totalBlocks, static_cast<int>(index) + 1, doc_.transferCount));
}

bool FlashOperations::afterFile(std::size_t index) {
    doc_.transferIndex = static_cast<int>(index) + 1;
    return true;
}

void FlashOperations::onBatchEnd(BatchEnd end, std::size_t) {
    switch (end) {
        case BatchEnd::AllDone:
        case BatchEnd::Cancelled:  // told when the worker reported it
        case BatchEnd::RecorderGone:
            break;
        case BatchEnd::FileFailed:
            showBox(QString::fromLatin1(rules::texts::kFileOpenFailed));
            break;
        case BatchEnd::DeviceFailed:
        case BatchEnd::Stopped:
            showBox(QString::fromLatin1(rules::texts::kUsbFailed));
            break;
        case BatchEnd::Busy:
            showBox(QString::fromLatin1(rules::texts::kBusy));
            break;
        case BatchEnd::ReplaceFailed:
            showBox(QString::fromStdString(batch_->failure()));
            break;
    }
    doc_.busy = 0;
    doc_.sessionWorker = false;
    clearBar(form_.currentBar());
    // When only the check before a further file failed, the Total bar keeps
    // how far the batch came.
    if (end != BatchEnd::RecorderGone) clearBar(form_.totalBar());
    enableControls(true);
    const bool cancelled = end == BatchEnd::Cancelled;
    // Listed at once: a listing left queued could run its device check
    // while the next request's worker already holds the link.
    if ((doc_.transferDirection == 1 || cancelled) && doc_.flashList)
        doc_.flashList->send(msg::WM_REFRESH_LIST, 0, 0);
    if (end == BatchEnd::DeviceFailed) {
        QTimer::singleShot(kRefreshAfterFailureMs, &form_, [this] {
            if (doc_.mainFrame) doc_.mainFrame->post(WM_COMMAND, kRefreshCommand, 0);
        });
    } else if (cancelled && doc_.dirList) {
        doc_.dirList->send(msg::WM_REFRESH_LIST, 0, 0);
    }
}

}  // namespace vox::app
