#pragma once
// Deleting recorder files, the same under every front end: one file at a
// time, in the order given (a front end gives the highest row first, so
// that a row removed never shifts one still to come), with the recorder's
// pause after each file, stopping at the first file the recorder does not
// delete, and before the next file once the cancel flag is raised.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "device_library/qvdevsys.h"
#include "engine/session/session_timing.h"

namespace vox::session {

class DeleteListener {
  public:
    virtual ~DeleteListener() = default;
    // Right before file `index` is deleted.
    virtual void onDeleting(std::size_t /*index*/) {}
    // File `index` is gone from the recorder.
    virtual void onDeleted(std::size_t /*index*/) {}
};

enum class DeleteEnd {
    Done,
    Failed,     // the recorder did not delete a file
    Cancelled,  // the flag was raised; the files before it are gone
};

struct DeleteResult {
    DeleteEnd end = DeleteEnd::Done;
    std::size_t deleted = 0;
    // The library's answer for the file that failed: negative when the
    // recorder did not answer, positive when it refused.
    int outcome = 0;
};

// Runs on the caller's thread; `cancelRequested` is asked before each file.
DeleteResult deleteFiles(DeviceContext* link, const std::vector<std::string>& shortNames,
                         const std::function<bool()>& cancelRequested, DeleteListener& listener,
                         const SessionTiming& timing = {});

}  // namespace vox::session
