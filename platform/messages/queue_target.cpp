#include "platform/messages/queue_target.h"

namespace vox::messages {

QueueTarget::QueueTarget(Handler handler)
    : handler_(std::move(handler)), owner_(std::this_thread::get_id()) {}

// Posted messages nobody pumped are dropped; a sender cannot be waiting,
// since it would hold a reference to this target.
QueueTarget::~QueueTarget() {
    for (Entry* entry : queue_)
        if (!entry->sent) delete entry;
}

LResult QueueTarget::send(Message message, WParam wParam, LParam lParam) {
    if (std::this_thread::get_id() == owner_) return handler_(message, wParam, lParam);
    Entry entry{message, wParam, lParam, true};
    std::unique_lock lock(mutex_);
    queue_.push_back(&entry);
    changed_.notify_all();
    changed_.wait(lock, [&] { return entry.handled; });
    return entry.result;
}

void QueueTarget::post(Message message, WParam wParam, LParam lParam) {
    std::lock_guard lock(mutex_);
    queue_.push_back(new Entry{message, wParam, lParam, false});
    changed_.notify_all();
}

void QueueTarget::handle(Entry& entry) {
    const LResult result = handler_(entry.message, entry.wParam, entry.lParam);
    if (!entry.sent) {
        delete &entry;
        return;
    }
    std::lock_guard lock(mutex_);
    entry.result = result;
    entry.handled = true;
    changed_.notify_all();
}

bool QueueTarget::pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        Entry* next = nullptr;
        {
            std::unique_lock lock(mutex_);
            if (!changed_.wait_until(lock, deadline, [&] { return !queue_.empty(); })) break;
            next = queue_.front();
            queue_.pop_front();
        }
        handle(*next);
    }
    return done();
}

void QueueTarget::pumpPending() {
    for (;;) {
        Entry* next = nullptr;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) return;
            next = queue_.front();
            queue_.pop_front();
        }
        handle(*next);
    }
}

}  // namespace vox::messages
