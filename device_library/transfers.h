#pragma once
// The worker-starting operations. Each takes the busy lock and leaves it
// taken; the caller releases it with UnlockDev after the worker's end notice.

#include <chrono>

#include "device_library/device_link.h"
#include "device_library/worker_support.h"

namespace vox::devsys {

struct TransferJob {
    std::string name;        // sending: the PC path; fetching: the recorder's name
    std::string secondName;  // fetching: the PC path
    int store = 0;
    Notifier notifier;
    CancelFlag cancel;
};

// A transfer that ends before its last block asks for a resync, then
// leaves the recorder this long before the end notice.
inline constexpr std::chrono::milliseconds kEarlyEndPause{100};

// Sends a PC file to the recorder; reports TRANSFER_* notices.
void runSendWorker(DeviceLink& link, const TransferJob& job);
// Fetches a recorder file into a PC file; reports TRANSFER_* notices.
void runFetchWorker(DeviceLink& link, const TransferJob& job);

int startDownload(DeviceLink& link, DeviceContext* ctx, TransferJob job,
                  messages::ThreadHandle* slot);
int startUpload(DeviceLink& link, DeviceContext* ctx, TransferJob job,
                messages::ThreadHandle* slot);
int startFormat(DeviceLink& link, DeviceContext* ctx, const FormatRequest* request);

// How long the format pacer waits before each of its 100 steps.
std::chrono::milliseconds formatStepDelay(std::uint32_t pacingValue);

}  // namespace vox::devsys
