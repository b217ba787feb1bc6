#include "application/core/delete_worker.h"

#include <atomic>

#include "engine/session/delete_run.h"
#include "platform/messages/message_numbers.h"

namespace vox::app {

namespace {

using vox::messages::LParam;
using vox::messages::WM_DELETE_NOTIFY;

// The session's steps as the form's notices; the rows go through the form
// too, so that only the GUI thread touches the widgets.
class DeleteNotices final : public session::DeleteListener {
  public:
    explicit DeleteNotices(const DeleteJob& job) : job_(job) {}
    void onDeleting(std::size_t index) override {
        job_.form->send(WM_DELETE_NOTIFY, kDeleteProgress, static_cast<LParam>(index + 1));
    }
    void onDeleted(std::size_t index) override {
        job_.form->send(WM_DELETE_NOTIFY, kDeleteRemoveRow, job_.items[index].row);
    }

  private:
    const DeleteJob& job_;
};

int runDeletes(const DeleteJob& job) {
    job.form->send(WM_DELETE_NOTIFY, kDeleteStarted, static_cast<LParam>(job.items.size()));
    std::vector<std::string> names;
    for (const DeleteItem& item : job.items) names.push_back(item.shortName);
    DeleteNotices notices(job);
    session::SessionTiming timing;
    timing.betweenDeletes = job.pauseAfterFile;
    const auto cancelled = [flag = job.cancelFlag] {
        return flag != nullptr && std::atomic_ref<int>(*const_cast<int*>(flag)).load() != 0;
    };
    const session::DeleteResult result =
        session::deleteFiles(job.link, names, cancelled, notices, timing);
    const LParam outcome = result.end == session::DeleteEnd::Failed      ? kDeleteFailed
                           : result.end == session::DeleteEnd::Cancelled ? kDeleteCancelled
                                                                         : kDeleteDone;
    job.form->send(WM_DELETE_NOTIFY, kDeleteFinished, outcome);
    return 0;
}

}  // namespace

std::unique_ptr<vox::messages::Worker> startDeleteWorker(DeleteJob job) {
    return std::make_unique<vox::messages::Worker>(
        [job = std::move(job)] { return runDeletes(job); });
}

}  // namespace vox::app
