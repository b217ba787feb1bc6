#include "application/core/device_notice_relay.h"

#include "application/core/frame_messages.h"
#include "platform/devio/device_notifications.h"

namespace vox::app {

DeviceNoticeRelay::DeviceNoticeRelay(vox::messages::MessageTarget* window)
    : target_(std::make_shared<Target>()) {
    target_->window = window;
    subscription_ = vox::devio::subscribeDeviceChanges([target = target_](unsigned event) {
        std::lock_guard lock(target->mutex);
        if (target->window) target->window->post(WM_DEVICECHANGE, event, 0);
    });
}

DeviceNoticeRelay::~DeviceNoticeRelay() {
    close();
}

void DeviceNoticeRelay::close() {
    if (subscription_ == 0) return;
    vox::devio::unsubscribeDeviceChanges(subscription_);
    subscription_ = 0;
    std::lock_guard lock(target_->mutex);
    target_->window = nullptr;
}

}  // namespace vox::app
