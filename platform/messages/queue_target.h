#pragma once
// A message target owned by one thread that pumps its queue (a command-line
// front end, a test). Messages sent from the owning thread are handled at
// once; messages sent from any other thread wait in the queue until the owner
// pumps them, and the sender blocks until its message was handled.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/messages/message_target.h"

namespace vox::messages {

class QueueTarget final : public MessageTarget {
  public:
    using Handler = std::function<LResult(Message, WParam, LParam)>;

    // The calling thread becomes the owner.
    explicit QueueTarget(Handler handler);
    ~QueueTarget() override;
    QueueTarget(const QueueTarget&) = delete;
    QueueTarget& operator=(const QueueTarget&) = delete;

    LResult send(Message message, WParam wParam, LParam lParam) override;
    void post(Message message, WParam wParam, LParam lParam) override;

    // Handles queued messages on the owning thread until `done` returns true,
    // waiting at most `timeout` in all. Returns done().
    bool pumpUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds timeout = std::chrono::hours(1));
    // Handles whatever is queued now, without waiting.
    void pumpPending();
    // How many messages wait to be pumped (a sender counts from the moment
    // its message is queued until the owner takes it).
    std::size_t pendingCount();

  private:
    struct Entry {
        Message message;
        WParam wParam;
        LParam lParam;
        bool sent;  // a sender waits for `result`
        bool handled = false;
        LResult result = 0;
    };

    void handle(Entry& entry);

    Handler handler_;
    std::thread::id owner_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Entry*> queue_;
    int sendersInside_ = 0;  // threads between entering and leaving send()
};

}  // namespace vox::messages
