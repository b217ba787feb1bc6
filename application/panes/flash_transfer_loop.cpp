// The program's drawing of a transfer: the session's questions as boxes,
// the Current bar for the file and the Total bar for the batch, each file in
// its list once it has arrived, and the end of the transfer with the boxes
// and the listings it refreshes.

#include <QCoreApplication>
#include <QTimer>

#include "application/core/frame_messages.h"
#include "application/core/message_boxes.h"
#include "application/core/pelmarch_doc.h"
#include "application/panes/dir_list.h"
#include "application/panes/flash_form.h"
#include "application/panes/flash_list.h"
#include "application/panes/flash_operations.h"
#include "engine/rules/rule_texts.h"
#include "engine/rules/transfer_units.h"
#include "platform/messages/message_numbers.h"
#include "platform/stack/device_stack.h"

namespace vox::app {

namespace msg = vox::messages;
using vox::session::BatchEnd;

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
    if (session_ && session_->running()) session_->cancel();
    if (doc_.work.onRecorder() == Work::Delete) doc_.setCancel(1);
    while ((session_ && session_->running()) || (format_ && format_->running()) ||
           doc_.work.onRecorder() == Work::Delete || doc_.work.converting())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void FlashOperations::startSession(DeviceContext* link) {
    session_ = std::make_unique<session::TransferSession>(link, &form_, msg::WM_TRANSFER_NOTIFY,
                                                          *this, timing_);
}

// The session's first file may end it before it returns (a busy library),
// so the document counts it as running from before it starts.
void FlashOperations::send(DeviceContext* link, const session::SendRequest& request) {
    startSession(link);
    doc_.work.begin(Work::Transfer);
    if (!session_->send(request)) doc_.work.end(Work::Transfer);
}

void FlashOperations::fetch(DeviceContext* link, const session::FetchRequest& request) {
    startSession(link);
    doc_.work.begin(Work::Transfer);
    if (!session_->fetch(request)) doc_.work.end(Work::Transfer);
}

void FlashOperations::cancel() {
    if (session_ && session_->running()) session_->cancel();
    // A block the recorder stopped answering in the middle of ends too.
    stack::abandonStuckTransfers();
}

void FlashOperations::onTransferNotice(msg::WParam code, msg::LParam value) {
    if (session_) session_->onNotice(code, value);
}

bool FlashOperations::replaceExisting(const std::string& question) {
    return messageBoxes().show(QString::fromStdString(question), BoxButtons::OkCancel,
                               BoxIcon::None) == BoxAnswer::Ok;
}

bool FlashOperations::replaceInPlace(const std::string& text) {
    return replaceExisting(text + "\n" + rules::texts::kReplaceInPlaceQuestion);
}

int FlashOperations::fileBlocks(std::size_t index) const {
    return static_cast<int>(session_->plan().files[index].blocks);
}

int FlashOperations::blocksBefore(std::size_t index) const {
    int blocks = 0;
    for (std::size_t i = 0; i < index; ++i) blocks += fileBlocks(i);
    return blocks;
}

void FlashOperations::onEvent(const session::SessionEvent& event) {
    namespace ev = session::event;
    if (const auto* refused = std::get_if<ev::Refused>(&event))
        return showBox(QString::fromStdString(refused->text));
    if (const auto* started = std::get_if<ev::FileStarted>(&event)) return onFileStarted(*started);
    if (const auto* progress = std::get_if<ev::FileProgress>(&event))
        return showTransferProgress(progress->index,
                                    static_cast<int>(rules::blockCount(progress->bytesMoved)));
    if (const auto* arrived = std::get_if<ev::FileArrived>(&event)) {
        doc_.work.setBusy(false);
        return showArrivedFile(arrived->index);
    }
    if (std::holds_alternative<ev::FileFailed>(event)) return doc_.work.setBusy(false);
    if (std::holds_alternative<ev::Cancelled>(event)) {
        doc_.work.setBusy(false);
        return showBox(QString::fromLatin1(rules::texts::kCancelled));
    }
    if (const auto* finished = std::get_if<ev::Finished>(&event))
        return onSessionFinished(*finished);
    // A decline changes nothing; the deletes before a send show in the
    // listing the transfer ends with.
}

void FlashOperations::onFileStarted(const session::event::FileStarted& started) {
    const std::size_t index = started.index;
    const session::SessionPlan& plan = session_->plan();
    const auto files = static_cast<int>(plan.files.size());
    doc_.work.setBusy(true);
    enableControls(false);
    form_.currentBar()->setRange(0, fileBlocks(index));
    form_.currentBar()->setPosition(0);
    form_.currentBar()->setText(percentText(0, 1));
    if (index == 0) {
        doc_.setCancel(0);
        form_.totalBar()->setRange(0, static_cast<int>(plan.totalBlocks));
        form_.totalBar()->setPosition(0);
        form_.totalBar()->setText(batchText(0, 1, 1, files));
    }
    const session::SessionFile& file = plan.files[index];
    statusText(QString::fromStdString(plan.direction == session::TransferFile::Direction::ToRecorder
                                          ? file.transfer.pcPath
                                          : file.recorderFile.longName));
}

// A file shows in its list once it is whole there; a file that replaced one
// is shown by the row it took over.
void FlashOperations::showArrivedFile(std::size_t index) {
    const session::SessionFile& file = session_->plan().files[index];
    if (file.transfer.direction == session::TransferFile::Direction::ToRecorder) {
        const bool replaces = file.transfer.replaces.has_value() || !file.deleteBefore.empty();
        if (doc_.flashList && !replaces)
            doc_.flashList->addPcFile(QString::fromStdString(file.transfer.pcPath));
    } else if (doc_.dirList) {
        doc_.dirList->fileArrived(file.recorderFile);
    }
}

void FlashOperations::showTransferProgress(std::size_t index, int done) {
    form_.currentBar()->setPosition(done);
    form_.currentBar()->setText(percentText(done, fileBlocks(index)));
    const int all = blocksBefore(index) + done;
    const session::SessionPlan& plan = session_->plan();
    form_.totalBar()->setPosition(all);
    form_.totalBar()->setText(batchText(all, static_cast<int>(plan.totalBlocks),
                                        static_cast<int>(index) + 1,
                                        static_cast<int>(plan.files.size())));
}

void FlashOperations::onSessionFinished(const session::event::Finished& finished) {
    const BatchEnd end = finished.end;
    switch (end) {
        case BatchEnd::AllDone:
        case BatchEnd::Cancelled:  // told when the cancel was reported
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
            showBox(QString::fromStdString(finished.failure));
            break;
    }
    doc_.work.setBusy(false);
    doc_.work.end(Work::Transfer);
    clearBar(form_.currentBar());
    // When only the check before a further file failed, the Total bar keeps
    // how far the batch came.
    if (end != BatchEnd::RecorderGone) clearBar(form_.totalBar());
    enableControls(true);
    const bool cancelled = end == BatchEnd::Cancelled;
    const bool sent = session_->plan().direction == session::TransferFile::Direction::ToRecorder;
    // Listed at once: a listing left queued could run its device check
    // while the next request's worker already holds the link.
    if ((sent || cancelled) && doc_.flashList) doc_.flashList->send(msg::WM_REFRESH_LIST, 0, 0);
    if (end == BatchEnd::DeviceFailed) {
        QTimer::singleShot(kRefreshAfterFailureMs, &form_, [this] {
            if (doc_.mainFrame) doc_.mainFrame->post(WM_COMMAND, kRefreshCommand, 0);
        });
    } else if (cancelled && doc_.dirList) {
        doc_.dirList->send(msg::WM_REFRESH_LIST, 0, 0);
    }
}

}  // namespace vox::app
