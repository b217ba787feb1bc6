#pragma once
// Events, waits, interlocked operations, spin locks, interrupt levels and
// work items.

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/kernel/ntstatus.h"

namespace vox::kernel {

// Interrupt request levels. Completion routines run at DISPATCH_LEVEL (the
// bus completes requests as from its DPC); dispatch routines and work items
// at PASSIVE_LEVEL.
using KIRQL = UCHAR;
constexpr KIRQL PASSIVE_LEVEL = 0;
constexpr KIRQL APC_LEVEL = 1;
constexpr KIRQL DISPATCH_LEVEL = 2;

KIRQL KeGetCurrentIrql();
void KeRaiseIrql(KIRQL level, KIRQL* old);
void KeLowerIrql(KIRQL level);

enum EVENT_TYPE { NotificationEvent = 0, SynchronizationEvent = 1 };

struct KEVENT {
    std::mutex mutex;
    std::condition_variable signalled;
    EVENT_TYPE type = NotificationEvent;
    bool state = false;
};

void KeInitializeEvent(KEVENT* event, EVENT_TYPE type, BOOLEAN state);
LONG KeSetEvent(KEVENT* event, LONG increment, BOOLEAN wait);
void KeClearEvent(KEVENT* event);
LONG KeReadStateEvent(KEVENT* event);
// timeout100ns: null waits for ever; otherwise a relative time in 100 ns
// units (negative, as the kernel takes it). STATUS_SUCCESS or STATUS_TIMEOUT.
NTSTATUS KeWaitForSingleObject(KEVENT* event, int waitReason, int waitMode, BOOLEAN alertable,
                               const std::int64_t* timeout100ns);
constexpr int Executive = 0;
constexpr int KernelMode = 0;

LONG InterlockedIncrement(LONG* value);
LONG InterlockedDecrement(LONG* value);
LONG InterlockedExchange(LONG* target, LONG value);
LONG InterlockedCompareExchange(LONG* target, LONG exchange, LONG comparand);

struct KSPIN_LOCK {
    std::mutex mutex;
};
void KeInitializeSpinLock(KSPIN_LOCK* lock);
void KeAcquireSpinLock(KSPIN_LOCK* lock, KIRQL* old);
void KeReleaseSpinLock(KSPIN_LOCK* lock, KIRQL old);

// Work items run one after another on the kernel's worker thread at
// PASSIVE_LEVEL.
using PWORKER_THREAD_ROUTINE = void (*)(PVOID parameter);
struct WORK_QUEUE_ITEM {
    PWORKER_THREAD_ROUTINE WorkerRoutine;
    PVOID Parameter;
};
enum WORK_QUEUE_TYPE { CriticalWorkQueue = 0, DelayedWorkQueue = 1 };
void ExInitializeWorkItem(WORK_QUEUE_ITEM* item, PWORKER_THREAD_ROUTINE routine, PVOID parameter);
void ExQueueWorkItem(WORK_QUEUE_ITEM* item, WORK_QUEUE_TYPE type);
// Returns once every work item queued before the call has run (tests).
void flushWorkItems();

// The remove lock: a count that starts at 1, a removing flag and an event
// that is signalled when the count falls to 0.
struct IO_REMOVE_LOCK {
    LONG IoCount;
    LONG Removed;
    KEVENT RemoveEvent;
};
void IoInitializeRemoveLock(IO_REMOVE_LOCK* lock, ULONG tag, ULONG maxMinutes, ULONG highWater);
// Fails with STATUS_DELETE_PENDING once removal has begun.
NTSTATUS IoAcquireRemoveLock(IO_REMOVE_LOCK* lock, PVOID tag);
void IoReleaseRemoveLock(IO_REMOVE_LOCK* lock, PVOID tag);
// Marks removal, gives back the caller's hold and the initial count, and
// waits until every other holder has released.
void IoReleaseRemoveLockAndWait(IO_REMOVE_LOCK* lock, PVOID tag);

}  // namespace vox::kernel
