#include "device_library/worker_support.h"

#include <future>
#include <memory>

#include "device_library/device_link.h"

namespace vox::devsys {

void Notifier::send(int code, messages::LParam value) const {
    if (window_ != nullptr) window_->send(message_, static_cast<messages::WParam>(code), value);
}

void Notifier::post(int code, messages::LParam value) const {
    if (window_ != nullptr) window_->post(message_, static_cast<messages::WParam>(code), value);
}

void startWorker(DeviceLink& link, messages::ThreadHandle* slot, std::function<int()> body) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::promise<void> handedOver;
    std::shared_future<void> ready = handedOver.get_future().share();
    auto worker = std::make_unique<messages::Worker>([ready, done, body = std::move(body)] {
        ready.wait();
        int exitCode = -1;
        try {
            exitCode = body();
        } catch (...) {
            // A worker that could not finish still ends its thread cleanly.
        }
        done->store(true);
        return exitCode;
    });
    if (slot != nullptr) {
        *slot = worker.release();
    } else {
        link.keepThread(std::move(worker), done);
    }
    handedOver.set_value();
}

}  // namespace vox::devsys
