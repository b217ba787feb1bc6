#include "platform/kernel/sync.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <thread>

namespace vox::kernel {
namespace {

thread_local KIRQL currentIrql = PASSIVE_LEVEL;

std::atomic_ref<LONG> atomicAt(LONG* value) {
    return std::atomic_ref<LONG>(*value);
}

}  // namespace

KIRQL KeGetCurrentIrql() {
    return currentIrql;
}

void KeRaiseIrql(KIRQL level, KIRQL* old) {
    if (level < currentIrql) KeBugCheck("IRQL_NOT_GREATER_OR_EQUAL");
    *old = currentIrql;
    currentIrql = level;
}

void KeLowerIrql(KIRQL level) {
    if (level > currentIrql) KeBugCheck("IRQL_NOT_LESS_OR_EQUAL");
    currentIrql = level;
}

void KeInitializeEvent(KEVENT* event, EVENT_TYPE type, BOOLEAN state) {
    std::lock_guard lock(event->mutex);
    event->type = type;
    event->state = state != FALSE;
}

LONG KeSetEvent(KEVENT* event, LONG, BOOLEAN) {
    std::lock_guard lock(event->mutex);
    const bool previous = event->state;
    event->state = true;
    if (event->type == NotificationEvent) {
        event->signalled.notify_all();
    } else {
        event->signalled.notify_one();
    }
    return previous ? 1 : 0;
}

void KeClearEvent(KEVENT* event) {
    std::lock_guard lock(event->mutex);
    event->state = false;
}

LONG KeReadStateEvent(KEVENT* event) {
    std::lock_guard lock(event->mutex);
    return event->state ? 1 : 0;
}

NTSTATUS KeWaitForSingleObject(KEVENT* event, int, int, BOOLEAN, const std::int64_t* timeout100ns) {
    if (KeGetCurrentIrql() > APC_LEVEL && (timeout100ns == nullptr || *timeout100ns != 0)) {
        KeBugCheck("IRQL_NOT_LESS_OR_EQUAL: waiting at raised level");
    }
    std::unique_lock lock(event->mutex);
    if (timeout100ns == nullptr) {
        event->signalled.wait(lock, [event] { return event->state; });
    } else {
        const auto limit = std::chrono::nanoseconds(-*timeout100ns * 100);
        if (!event->signalled.wait_for(lock, limit, [event] { return event->state; })) {
            return STATUS_TIMEOUT;
        }
    }
    if (event->type == SynchronizationEvent) event->state = false;
    return STATUS_SUCCESS;
}

LONG InterlockedIncrement(LONG* value) {
    return atomicAt(value).fetch_add(1) + 1;
}
LONG InterlockedDecrement(LONG* value) {
    return atomicAt(value).fetch_sub(1) - 1;
}
LONG InterlockedExchange(LONG* target, LONG value) {
    return atomicAt(target).exchange(value);
}
LONG InterlockedCompareExchange(LONG* target, LONG exchange, LONG comparand) {
    atomicAt(target).compare_exchange_strong(comparand, exchange);
    return comparand;
}

void KeInitializeSpinLock(KSPIN_LOCK*) {}

void KeAcquireSpinLock(KSPIN_LOCK* lock, KIRQL* old) {
    lock->mutex.lock();
    KeRaiseIrql(currentIrql > DISPATCH_LEVEL ? currentIrql : DISPATCH_LEVEL, old);
}

void KeReleaseSpinLock(KSPIN_LOCK* lock, KIRQL old) {
    KeLowerIrql(old);
    lock->mutex.unlock();
}

namespace {

// The kernel's one system worker thread. It is started on first use and
// joined when the process ends.
class WorkerThread {
  public:
    void queue(WORK_QUEUE_ITEM* item) {
        std::lock_guard lock(mutex_);
        if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
        items_.push_back(item);
        ++queued_;
        wake_.notify_all();
    }

    void flush() {
        std::unique_lock lock(mutex_);
        const std::uint64_t target = queued_;
        wake_.wait(lock, [&] { return done_ >= target; });
    }

    ~WorkerThread() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            wake_.notify_all();
        }
        if (thread_.joinable()) thread_.join();
    }

  private:
    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return stopping_ || !items_.empty(); });
            if (items_.empty()) return;
            WORK_QUEUE_ITEM* item = items_.front();
            items_.pop_front();
            lock.unlock();
            // The routine may free the item; read it first.
            const PWORKER_THREAD_ROUTINE routine = item->WorkerRoutine;
            routine(item->Parameter);
            lock.lock();
            ++done_;
            wake_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<WORK_QUEUE_ITEM*> items_;
    std::uint64_t queued_ = 0;
    std::uint64_t done_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

WorkerThread& workerThread() {
    static WorkerThread instance;
    return instance;
}

}  // namespace

void ExInitializeWorkItem(WORK_QUEUE_ITEM* item, PWORKER_THREAD_ROUTINE routine, PVOID parameter) {
    item->WorkerRoutine = routine;
    item->Parameter = parameter;
}

void ExQueueWorkItem(WORK_QUEUE_ITEM* item, WORK_QUEUE_TYPE) {
    workerThread().queue(item);
}

void flushWorkItems() {
    workerThread().flush();
}

void IoInitializeRemoveLock(IO_REMOVE_LOCK* lock, ULONG, ULONG, ULONG) {
    lock->IoCount = 1;
    lock->Removed = 0;
    KeInitializeEvent(&lock->RemoveEvent, NotificationEvent, FALSE);
}

NTSTATUS IoAcquireRemoveLock(IO_REMOVE_LOCK* lock, PVOID) {
    InterlockedIncrement(&lock->IoCount);
    if (atomicAt(&lock->Removed).load() != 0) {
        if (InterlockedDecrement(&lock->IoCount) == 0) KeSetEvent(&lock->RemoveEvent, 0, FALSE);
        return STATUS_DELETE_PENDING;
    }
    return STATUS_SUCCESS;
}

void IoReleaseRemoveLock(IO_REMOVE_LOCK* lock, PVOID) {
    const LONG left = InterlockedDecrement(&lock->IoCount);
    if (left < 0) KeBugCheck("remove lock released more often than acquired");
    if (left == 0) KeSetEvent(&lock->RemoveEvent, 0, FALSE);
}

void IoReleaseRemoveLockAndWait(IO_REMOVE_LOCK* lock, PVOID tag) {
    atomicAt(&lock->Removed).store(1);
    IoReleaseRemoveLock(lock, tag);  // the caller's hold
    IoReleaseRemoveLock(lock, tag);  // the initial count
    KeWaitForSingleObject(&lock->RemoveEvent, Executive, KernelMode, FALSE, nullptr);
}

}  // namespace vox::kernel
