#pragma once
// Runs the transfer session's batches and formats to their end on voxctl's
// main thread: the workers' notices are pumped from a queue and drawn as a
// progress bar, and Ctrl-C is handed to the worker through the session, so
// the worker stops at a block boundary and cleans up itself.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "device_library/qvdevsys.h"
#include "engine/session/transfer_batch.h"
#include "platform/messages/queue_target.h"

namespace vox::voxctl {

// While one lives, Ctrl-C (and SIGTERM and SIGHUP) only raise a flag
// instead of ending voxctl.
class InterruptGuard {
  public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    static bool interrupted();
};

// Pumps `target` until `done`, calling `cancel` once Ctrl-C was pressed.
void pumpToEnd(messages::QueueTarget& target, const std::function<bool()>& done,
               const std::function<void()>& cancel);

struct BatchFile {
    session::TransferFile file;
    std::string label;  // shown beside the file's progress
    // Runs right before the file starts; throws to end the batch there.
    std::function<void()> prepare;
};

// Runs the files one at a time to the batch's end. Throws the command error
// of a file that did not arrive whole, of a recorder gone between files, of
// a busy library, or whatever a file's preparation threw.
void runBatch(DeviceContext* link, std::vector<BatchFile> files);

// Formats the main store; true when the recorder carried it out.
bool runFormat(DeviceContext* link, std::uint32_t pacingBytes);

}  // namespace vox::voxctl
