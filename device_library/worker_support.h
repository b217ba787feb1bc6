#pragma once
// What the transfer and format workers share: the window they report to,
// the caller's cancel flag, and how a worker thread is started and handed
// over.

#include <atomic>
#include <cstdint>
#include <functional>

#include "platform/messages/message_target.h"
#include "platform/messages/worker.h"

namespace vox::devsys {

class DeviceLink;

constexpr std::size_t kDataBlockSize = 32768;

class Notifier {
  public:
    Notifier(messages::WindowHandle window, messages::Message message)
        : window_(window), message_(message) {}
    void send(int code, messages::LParam value) const;
    void post(int code, messages::LParam value) const;
    template <typename T>
    void sendPointer(int code, const T* value) const {
        send(code, reinterpret_cast<messages::LParam>(value));
    }

  private:
    messages::WindowHandle window_;
    messages::Message message_;
};

// The caller's int, written by its thread while the worker reads it.
class CancelFlag {
  public:
    explicit CancelFlag(int* flag) : flag_(flag) {}
    bool raised() const { return flag_ != nullptr && std::atomic_ref<int>(*flag_).load() != 0; }

  private:
    int* flag_;
};

// Runs `body` on a new worker thread. The handle goes to `*slot`, which is
// written before the body starts; without a slot the link keeps the thread.
void startWorker(DeviceLink& link, messages::ThreadHandle* slot, std::function<int()> body);

}  // namespace vox::devsys
