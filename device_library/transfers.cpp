#include "device_library/transfers.h"

namespace vox::devsys {

int startDownload(DeviceLink& link, DeviceContext* ctx, TransferJob job,
                  messages::ThreadHandle* slot) {
    if (!link.lock(ctx)) return 0;
    startWorker(link, slot, [&link, job = std::move(job)] {
        runSendWorker(link, job);
        return 0;
    });
    return 0;
}

int startUpload(DeviceLink& link, DeviceContext* ctx, TransferJob job,
                messages::ThreadHandle* slot) {
    if (!link.lock(ctx)) return 0;
    startWorker(link, slot, [&link, job = std::move(job)] {
        runFetchWorker(link, job);
        return 0;
    });
    return 0;
}

}  // namespace vox::devsys
