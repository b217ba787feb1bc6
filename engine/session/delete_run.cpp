#include "engine/session/delete_run.h"

namespace vox::session {

DeleteResult deleteFiles(DeviceContext* link, const std::vector<std::string>& shortNames,
                         const std::function<bool()>& cancelRequested, DeleteListener& listener,
                         const SessionTiming& timing) {
    DeleteResult result;
    for (std::size_t i = 0; i < shortNames.size(); ++i) {
        if (cancelRequested()) {
            result.end = DeleteEnd::Cancelled;
            return result;
        }
        listener.onDeleting(i);
        result.outcome = QVDeleteFile(link, shortNames[i].c_str(), STORE_MAIN);
        if (result.outcome != 0) {
            result.end = DeleteEnd::Failed;
            return result;
        }
        ++result.deleted;
        listener.onDeleted(i);
        timing.sleep(timing.betweenDeletes);
    }
    return result;
}

}  // namespace vox::session
