#include "engine/session/transfer_batch.h"

#include <atomic>

#include "engine/session/recorder_entries.h"

namespace vox::session {

namespace {

// The follow-up notice the batch posts to itself once a file's end notice
// has been handled; no worker sends this code.
constexpr messages::WParam kFinishFile = 0x7F00;

}  // namespace

TransferBatch::TransferBatch(DeviceContext* link, messages::WindowHandle window,
                             messages::Message message, BatchListener& listener,
                             SessionTiming timing)
    : link_(link),
      window_(window),
      message_(message),
      listener_(listener),
      timing_(std::move(timing)) {}

TransferBatch::~TransferBatch() {
    // A front end that gives up before the end still owns the worker.
    if (worker_ != nullptr) {
        cancel();
        delete worker_;  // joins
        UnlockDev(link_);
    }
}

void TransferBatch::start(std::vector<TransferFile> files) {
    if (files.size() > kMaxFiles) files.resize(kMaxFiles);
    files_ = std::move(files);
    index_ = 0;
    cancelFlag_ = 0;
    running_ = true;
    if (files_.empty()) return end(BatchEnd::AllDone);
    startFile();
}

void TransferBatch::cancel() {
    std::atomic_ref<int>(cancelFlag_).store(1);
}

void TransferBatch::startFile() {
    if (!listener_.beforeFile(index_)) return end(BatchEnd::Stopped);
    const TransferFile& file = files_[index_];
    std::string sendPath = file.pcPath;
    if (file.replaces) {
        // The recorder takes the new copy into the folder listed last.
        const std::optional<FolderRead> read = readFolder(link_, file.replaces->folderName);
        if (!read) return end(BatchEnd::DeviceFailed);
        temporaryName_ = temporaryRecorderName(read->listing, rules::pcFileName(file.pcPath));
        std::optional<TemporarySendName> made =
            TemporarySendName::make(file.pcPath, temporaryName_);
        if (!made) return end(BatchEnd::FileFailed);
        sendName_.emplace(std::move(*made));
        sendPath = sendName_->path();
    }
    messages::ThreadHandle slot = nullptr;
    if (file.direction == TransferFile::Direction::ToRecorder) {
        QVDownloadFile(link_, sendPath.c_str(), STORE_MAIN, window_, message_, &slot, &cancelFlag_);
    } else {
        QVUploadFile(link_, file.recorderName.c_str(), file.pcPath.c_str(), STORE_MAIN, window_,
                     message_, &slot, &cancelFlag_);
    }
    // Without a worker the library's lock was someone else's.
    if (slot == nullptr) {
        sendName_.reset();
        return end(BatchEnd::Busy);
    }
    worker_ = slot;
}

void TransferBatch::onNotice(messages::WParam code, messages::LParam value) {
    if (!running_) return;
    if (code == kFinishFile) return finishFile();
    const std::optional<TransferEvent> event = readTransferNotice(code, value);
    if (!event) return;
    if (const auto* finished = std::get_if<TransferFinished>(&*event)) {
        lastOutcome_ = finished->outcome;
        if (lastOutcome_ == TransferOutcome::Cancelled) cancelReported_ = timing_.now();
        listener_.onTransferEvent(index_, *event);
        window_->post(message_, kFinishFile, 0);
        return;
    }
    listener_.onTransferEvent(index_, *event);
}

void TransferBatch::finishFile() {
    if (lastOutcome_ == TransferOutcome::Cancelled) {
        const auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(timing_.now() - cancelReported_);
        if (waited < timing_.settleAfterCancel) timing_.sleep(timing_.settleAfterCancel - waited);
    }
    delete worker_;  // joins the worker, which has reported its end
    worker_ = nullptr;
    sendName_.reset();
    UnlockDev(link_);
    switch (lastOutcome_) {
        case TransferOutcome::Done:
            break;
        case TransferOutcome::FileFailed:
        case TransferOutcome::DeviceFailed:
        case TransferOutcome::Cancelled:
            // A transfer that ended early may leave a reply block behind;
            // the identify exchange skips it.
            QVCheckDevice(link_);
            return end(lastOutcome_ == TransferOutcome::FileFailed     ? BatchEnd::FileFailed
                       : lastOutcome_ == TransferOutcome::DeviceFailed ? BatchEnd::DeviceFailed
                                                                       : BatchEnd::Cancelled);
    }
    if (const auto& replaces = files_[index_].replaces) {
        if (auto failure =
                completeReplacement(link_, *replaces, temporaryName_,
                                    std::string(rules::pcFileName(files_[index_].pcPath)))) {
            failure_ = std::move(*failure);
            return end(BatchEnd::ReplaceFailed);
        }
    }
    const std::size_t arrived = index_++;
    if (!listener_.afterFile(arrived)) return end(BatchEnd::Stopped);
    if (index_ == files_.size()) return end(BatchEnd::AllDone);
    if (QVCheckDevice(link_) == 0) return end(BatchEnd::RecorderGone);
    startFile();
}

void TransferBatch::end(BatchEnd how) {
    running_ = false;
    const std::size_t filesDone = how == BatchEnd::AllDone ? files_.size() : index_;
    listener_.onBatchEnd(how, filesDone);
}

}  // namespace vox::session
