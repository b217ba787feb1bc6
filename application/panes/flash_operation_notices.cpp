// The recorder form's handling of the format, delete and conversion notices,
// and what every operation shares: the bars, the controls, the boxes and the
// status bar.

#include <QCoreApplication>

#include "application/core/delete_worker.h"
#include "application/core/message_boxes.h"
#include "application/core/pelmarch_doc.h"
#include "application/panes/dir_list.h"
#include "application/panes/flash_form.h"
#include "application/panes/flash_list.h"
#include "application/panes/flash_operations.h"
#include "engine/rules/rule_texts.h"
#include "engine/session/worker_notices.h"
#include "platform/messages/message_numbers.h"

namespace vox::app {

namespace msg = vox::messages;

namespace {

// Posted by the form to itself once a worker's last notice has been handled:
// the worker returns only after that notice, so it is joined from here.
constexpr msg::WParam kJoinWorker = 0x11;

}  // namespace

void FlashOperations::enableControls(bool enable) {
    form_.send(msg::WM_ENABLE_CONTROLS, enable ? 1 : 0, 0);
}

void FlashOperations::clearBar(vox::panes::TextProgressCtrl* bar) {
    bar->setText(QString());
    bar->setPosition(0);
}

void FlashOperations::showBox(const QString& text) {
    messageBoxes().show(text, BoxButtons::Ok, BoxIcon::None);
}

void FlashOperations::statusText(const QString& text) {
    if (!doc_.mainFrame) return;
    const QByteArray bytes = text.toUtf8();
    doc_.mainFrame->send(msg::WM_STATUS_INFO, 0, reinterpret_cast<msg::LParam>(bytes.constData()));
}

void FlashOperations::startDelete(DeleteJob job, std::vector<std::string> shownNames) {
    deleteNames_ = std::move(shownNames);
    doc_.work.begin(Work::Delete, startDeleteWorker(std::move(job)));
}

bool FlashOperations::startFormat(DeviceContext* link, std::uint32_t pacingBytes) {
    format_ = std::make_unique<session::FormatRun>(link, &form_, msg::WM_FORMAT_NOTIFY, *this);
    doc_.work.begin(Work::Format);
    if (format_->start(pacingBytes)) return true;
    doc_.work.end(Work::Format);
    return false;
}

void FlashOperations::onFormatNotice(msg::WParam code, msg::LParam value) {
    if (format_) format_->onNotice(code, value);
}

void FlashOperations::onFormatEvent(const session::FormatEvent& event) {
    if (std::holds_alternative<session::FormatStarted>(event)) {
        doc_.work.setBusy(true);
        enableControls(false);
        // A format cannot be stopped half-way.
        form_.button(CFlashForm::kCancel)->setEnabled(false);
        form_.currentBar()->setRange(0, 100);
        form_.currentBar()->setPosition(0);
        form_.currentBar()->setText(QStringLiteral("Format 0%"));
    } else if (const auto* step = std::get_if<session::FormatStep>(&event)) {
        form_.currentBar()->step();
        form_.currentBar()->setText(QStringLiteral("Format %1%").arg(step->step));
    }
}

// Both ends have arrived and the lock is released. A refused format ends
// the same way as one carried out, only the recorder's answer differs.
void FlashOperations::onFormatEnd(bool carriedOut) {
    doc_.work.setBusy(false);
    doc_.work.end(Work::Format);
    clearBar(form_.currentBar());
    if (!carriedOut) showBox(QString::fromLatin1(rules::texts::kUsbFailed));
    if (doc_.flashList) doc_.flashList->send(msg::WM_REFRESH_LIST, 0, 0);
    enableControls(true);
}

void FlashOperations::onDeleteNotice(msg::WParam code, msg::LParam value) {
    auto* bar = form_.currentBar();
    switch (code) {
        case kDeleteStarted:
            deleteCount_ = static_cast<int>(value);
            doc_.setCancel(0);
            doc_.work.setBusy(true);
            enableControls(false);
            bar->setRange(0, deleteCount_);
            bar->setPosition(0);
            bar->setText(batchText(0, deleteCount_, 0, deleteCount_));
            return;
        case kDeleteProgress: {
            const int done = static_cast<int>(value);
            bar->setPosition(done);
            bar->setText(batchText(done, deleteCount_, done, deleteCount_));
            if (done >= 1 && done <= static_cast<int>(deleteNames_.size()))
                statusText(QString::fromStdString(deleteNames_[done - 1]));
            return;
        }
        case kDeleteRemoveRow:
            if (doc_.flashList && value >= 0 && value < doc_.flashList->topLevelItemCount())
                delete doc_.flashList->takeTopLevelItem(static_cast<int>(value));
            return;
        case kDeleteFinished:
            doc_.work.setBusy(false);
            if (value == kDeleteFailed)
                showBox(QString::fromLatin1(rules::texts::kUsbFailed));
            else if (value == kDeleteCancelled)
                showBox(QString::fromLatin1(rules::texts::kCancelled));
            clearBar(bar);
            enableControls(true);
            if (doc_.flashList) doc_.flashList->send(msg::WM_REFRESH_LIST, 0, 0);
            form_.post(msg::WM_DELETE_NOTIFY, kJoinWorker, 0);
            return;
        case kJoinWorker:
            return doc_.work.end(Work::Delete);
        default:
            return;
    }
}

void FlashOperations::onConvertNotice(msg::WParam code, msg::LParam value) {
    if (code == kJoinWorker) return doc_.work.end(Work::Conversion);
    if (code == kConversionMessage) {
        if (value != 0) showBox(QString::fromUtf8(reinterpret_cast<const char*>(value)));
        return;
    }
    const std::optional<session::ConversionEvent> event =
        session::readConversionNotice(code, value);
    if (!event) return;
    auto* bar = form_.currentBar();
    if (std::holds_alternative<session::ConversionStarted>(*event)) {
        doc_.work.setBusy(true);
        enableControls(false);
        bar->setRange(0, 100);
        bar->setPosition(0);
        bar->setText(percentText(0, 100));
    } else if (const auto* percent = std::get_if<session::ConversionPercent>(&*event)) {
        bar->setPosition(percent->percent);
        bar->setText(percentText(percent->percent, 100));
    } else {
        doc_.work.setBusy(false);
        clearBar(bar);
        if (doc_.dirList) doc_.dirList->send(msg::WM_REFRESH_LIST, 0, 0);
        enableControls(true);
        form_.post(msg::WM_CONVERT_NOTIFY, kJoinWorker, 0);
    }
}

}  // namespace vox::app
