#pragma once
// Carries the driver's device-change notices, which arrive on whatever
// thread noticed the change, to a window as WM_DEVICECHANGE posts. Closing
// the relay (or destroying it) guarantees that no notice reaches the window
// afterwards, also one whose callback was already running.

#include <memory>
#include <mutex>

#include "platform/messages/message_target.h"

namespace vox::app {

class DeviceNoticeRelay {
  public:
    explicit DeviceNoticeRelay(vox::messages::MessageTarget* window);
    ~DeviceNoticeRelay();
    DeviceNoticeRelay(const DeviceNoticeRelay&) = delete;
    DeviceNoticeRelay& operator=(const DeviceNoticeRelay&) = delete;

    void close();

  private:
    struct Target {
        std::mutex mutex;
        vox::messages::MessageTarget* window;
    };

    std::shared_ptr<Target> target_;
    int subscription_ = 0;
};

}  // namespace vox::app
