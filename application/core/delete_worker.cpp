#include "application/core/delete_worker.h"

#include <atomic>
#include <thread>

#include "platform/messages/message_numbers.h"

namespace vox::app {

namespace {

bool raised(const int* flag) {
    return flag != nullptr && std::atomic_ref<int>(*const_cast<int*>(flag)).load() != 0;
}

int runDeletes(const DeleteJob& job) {
    using vox::messages::WM_DELETE_NOTIFY;
    const auto count = static_cast<vox::messages::LParam>(job.items.size());
    job.form->send(WM_DELETE_NOTIFY, kDeleteStarted, count);
    vox::messages::LParam outcome = kDeleteDone;
    for (std::size_t i = 0; i < job.items.size(); ++i) {
        job.form->send(WM_DELETE_NOTIFY, kDeleteProgress,
                       static_cast<vox::messages::LParam>(i + 1));
        const DeleteItem& item = job.items[i];
        if (QVDeleteFile(job.link, item.shortName.c_str(), STORE_MAIN) != 0) {
            outcome = kDeleteFailed;
            break;
        }
        job.form->send(WM_DELETE_NOTIFY, kDeleteRemoveRow, item.row);
        std::this_thread::sleep_for(job.pauseAfterFile);
        if (raised(job.cancelFlag)) {
            outcome = kDeleteCancelled;
            break;
        }
    }
    job.form->send(WM_DELETE_NOTIFY, kDeleteFinished, outcome);
    return 0;
}

}  // namespace

std::unique_ptr<vox::messages::Worker> startDeleteWorker(DeleteJob job) {
    return std::make_unique<vox::messages::Worker>(
        [job = std::move(job)] { return runDeletes(job); });
}

}  // namespace vox::app
