#include "platform/messages/queue_target.h"

namespace vox::messages {

QueueTarget::QueueTarget(Handler handler)
    : handler_(std::move(handler)), owner_(std::this_thread::get_id()) {}

// Messages nobody pumped are dropped: a waiting sender gets 0. The target
// lives on until every sender has left send(), since a sender that was just
// woken still has to take the mutex once more.
QueueTarget::~QueueTarget() {
    std::unique_lock lock(mutex_);
    for (Entry* entry : queue_) {
        if (entry->sent)
            entry->handled = true;
        else
            delete entry;
    }
    queue_.clear();
    changed_.notify_all();
    changed_.wait(lock, [&] { return sendersInside_ == 0; });
}

LResult QueueTarget::send(Message message, WParam wParam, LParam lParam) {
    if (std::this_thread::get_id() == owner_) return handler_(message, wParam, lParam);
    Entry entry{message, wParam, lParam, true};
    std::unique_lock lock(mutex_);
    ++sendersInside_;
    queue_.push_back(&entry);
    changed_.notify_all();
    changed_.wait(lock, [&] { return entry.handled; });
    --sendersInside_;
    changed_.notify_all();
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

std::size_t QueueTarget::pendingCount() {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

}  // namespace vox::messages
