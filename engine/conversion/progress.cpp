#include "engine/conversion/progress.h"

#include "engine/conversion/convert_notify.h"

namespace vox::conversion {

void sendStarted(vox::messages::MessageTarget* notify) {
    if (notify != nullptr) notify->send(WM_CONVERT_NOTIFY, CONVERT_STARTED, 0);
}

void sendProgress(vox::messages::MessageTarget* notify, std::uint64_t position,
                  std::uint64_t length) {
    if (notify == nullptr || length == 0) return;
    int percent = static_cast<int>(position * 100 / length);
    notify->send(WM_CONVERT_NOTIFY, CONVERT_PROGRESS,
                 reinterpret_cast<vox::messages::LParam>(&percent));
}

FinishedNotice::~FinishedNotice() {
    if (notify_ != nullptr) notify_->send(WM_CONVERT_NOTIFY, CONVERT_FINISHED, 0);
}

}  // namespace vox::conversion
