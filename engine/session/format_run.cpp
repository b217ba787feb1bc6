#include "engine/session/format_run.h"

namespace vox::session {

namespace {

// Posted to itself once both end notices have been handled.
constexpr messages::WParam kEndFormat = 0x7F01;
// The pacer's end and the worker's answer.
constexpr int kEndNoticesOfAFormat = 2;

}  // namespace

FormatRun::FormatRun(DeviceContext* link, messages::WindowHandle window, messages::Message message,
                     FormatListener& listener)
    : link_(link), window_(window), message_(message), listener_(listener) {}

FormatRun::~FormatRun() {
    if (worker_ != nullptr) {
        delete worker_;  // joins
        UnlockDev(link_);
    }
}

bool FormatRun::start(std::uint32_t pacingBytes) {
    messages::ThreadHandle slot = nullptr;
    FormatRequest request{pacingBytes, window_, message_, STORE_MAIN, &slot};
    endNotices_ = 0;
    carriedOut_ = false;
    QVFormatDevice(link_, &request);
    if (slot == nullptr) return false;
    worker_ = slot;
    running_ = true;
    return true;
}

void FormatRun::onNotice(messages::WParam code, messages::LParam value) {
    if (!running_) return;
    if (code == kEndFormat) return finish();
    const std::optional<FormatEvent> event = readFormatNotice(code, value);
    if (!event) return;
    listener_.onFormatEvent(*event);
    if (const auto* done = std::get_if<FormatDone>(&*event)) {
        carriedOut_ = carriedOut_ || done->recorderAnswered;
        if (++endNotices_ == kEndNoticesOfAFormat) window_->post(message_, kEndFormat, 0);
    }
}

void FormatRun::finish() {
    delete worker_;  // joins the format worker, which has sent its end
    worker_ = nullptr;
    UnlockDev(link_);
    running_ = false;
    listener_.onFormatEnd(carriedOut_);
}

}  // namespace vox::session
