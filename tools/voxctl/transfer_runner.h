#pragma once
// Runs one library worker (a file transfer or a format) to its end on the
// main thread: the worker's notifications are pumped from a queue, drawn as
// a progress bar, and Ctrl-C is handed to the worker through the library's
// cancel flag, so the worker stops at a block boundary and cleans up itself.

#include <cstdint>
#include <functional>
#include <string>

#include "device_library/qvdevsys.h"
#include "platform/messages/message_target.h"

namespace vox::voxctl {

// While one lives, Ctrl-C only raises a flag instead of ending voxctl.
class InterruptGuard {
  public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    static bool interrupted();
};

// Starts a transfer worker: calls QVDownloadFile or QVUploadFile with these.
using StartTransfer = std::function<void(messages::WindowHandle window, messages::Message message,
                                         messages::ThreadHandle* slot, int* cancel)>;

// Runs the transfer to its end and gives its TRANSFER_FINISHED outcome.
// Throws "busy" when the library did not start a worker.
int runTransfer(DeviceContext* link, const std::string& label, const StartTransfer& start);

// Formats the main store; true when the recorder carried it out.
bool runFormat(DeviceContext* link, std::uint32_t pacingBytes);

}  // namespace vox::voxctl
