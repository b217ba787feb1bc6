#pragma once
// The delete worker: runs the session's deletes on a thread of its own and
// reports each step to the recorder form with WM_DELETE_NOTIFY. The
// list rows go through the form too (kDeleteRemoveRow), so that only the GUI
// thread touches the widgets.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "device_library/qvdevsys.h"
#include "engine/session/session_timing.h"
#include "platform/messages/message_target.h"
#include "platform/messages/worker.h"

namespace vox::app {

// wParam of WM_DELETE_NOTIFY.
inline constexpr vox::messages::WParam kDeleteStarted = 0;       // lParam: files
inline constexpr vox::messages::WParam kDeleteProgress = 1;      // lParam: file now deleted, from 1
inline constexpr vox::messages::WParam kDeleteFinished = 2;      // lParam: how it ended
inline constexpr vox::messages::WParam kDeleteRemoveRow = 0x10;  // lParam: list row

// lParam of kDeleteFinished.
inline constexpr vox::messages::LParam kDeleteDone = 0;
inline constexpr vox::messages::LParam kDeleteFailed = 2;  // the recorder did not delete a file
inline constexpr vox::messages::LParam kDeleteCancelled = 3;

struct DeleteItem {
    std::string shortName;  // as the recorder's commands take it
    int row = 0;            // its row in the recorder list
};

struct DeleteJob {
    DeviceContext* link = nullptr;
    // Highest row first, so that removing a row never shifts one still to come.
    std::vector<DeleteItem> items;
    vox::messages::MessageTarget* form = nullptr;
    const int* cancelFlag = nullptr;  // raised by the GUI thread; read before each file
    std::chrono::milliseconds pauseAfterFile = session::SessionTiming{}.betweenDeletes;
};

// The worker runs the session's deletes: it stops after the current file
// once the flag is raised, and at the first file the recorder does not
// delete (its row then stays).
std::unique_ptr<vox::messages::Worker> startDeleteWorker(DeleteJob job);

}  // namespace vox::app
