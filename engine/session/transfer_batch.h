#pragma once
// A batch of file transfers between the PC and the recorder, run one file at
// a time by the device access library's workers, with the sequencing every
// front end keeps: each further file starts only after a device check, the
// library's lock is released after each file's end, and after a cancel the
// recorder is left alone for the settle time before it is checked again.
//
// The batch is driven by the notices its workers send to the front end's
// window: the front end hands every notice of the batch's message number to
// onNotice(). A worker that sends its end notice waits for it to be handled,
// so the batch finishes a file (joins the worker, starts the next one) only
// from a follow-up notice it posts to the same window.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "device_library/qvdevsys.h"
#include "engine/rules/transfer_units.h"
#include "engine/session/recorder_replacement.h"
#include "engine/session/session_timing.h"
#include "engine/session/worker_notices.h"
#include "platform/messages/message_target.h"
#include "platform/messages/worker.h"

namespace vox::session {

struct TransferFile {
    enum class Direction { ToRecorder, ToPc };
    Direction direction = Direction::ToRecorder;
    std::string pcPath;        // the source, or the target on the PC
    std::string recorderName;  // the file fetched (ToPc only)
    // A recorder file this one replaces (ToRecorder only): kept until the
    // new copy is whole.
    std::optional<Replacement> replaces;
};

enum class BatchEnd {
    AllDone,
    FileFailed,    // a PC file did not open or could not be made
    DeviceFailed,  // the recorder refused a file or a block failed
    Cancelled,
    RecorderGone,   // the device check before a further file failed
    Busy,           // the library's lock was taken by someone else
    Stopped,        // the front end declined to start a file
    ReplaceFailed,  // a new copy arrived but did not take the old one's place
};

class BatchListener {
  public:
    virtual ~BatchListener() = default;
    // Right before file `index` starts; false ends the batch (Stopped).
    virtual bool beforeFile(std::size_t /*index*/) { return true; }
    virtual void onTransferEvent(std::size_t index, const TransferEvent& event) = 0;
    // After file `index` arrived whole; false ends the batch (Stopped).
    virtual bool afterFile(std::size_t /*index*/) { return true; }
    // Once, when the batch is over; `filesDone` files arrived whole.
    virtual void onBatchEnd(BatchEnd end, std::size_t filesDone) = 0;
};

class TransferBatch {
  public:
    // Workers report to `window` with `message`.
    TransferBatch(DeviceContext* link, messages::WindowHandle window, messages::Message message,
                  BatchListener& listener, SessionTiming timing = {});
    ~TransferBatch();
    TransferBatch(const TransferBatch&) = delete;
    TransferBatch& operator=(const TransferBatch&) = delete;

    static constexpr std::size_t kMaxFiles = rules::kBatchLimit;

    // Starts the first file of at most kMaxFiles (the rest are left out).
    void start(std::vector<TransferFile> files);
    // Every notice of the batch's message number that reaches the window.
    void onNotice(messages::WParam code, messages::LParam value);
    // Asks the running worker to stop after its current block.
    void cancel();
    bool running() const { return running_; }
    // After ReplaceFailed: what is where on the recorder, for the user.
    const std::string& failure() const { return failure_; }

  private:
    void startFile();
    void finishFile();
    void end(BatchEnd how);

    DeviceContext* link_;
    messages::WindowHandle window_;
    messages::Message message_;
    BatchListener& listener_;
    SessionTiming timing_;
    std::vector<TransferFile> files_;
    std::size_t index_ = 0;
    bool running_ = false;
    int cancelFlag_ = 0;  // read by the worker, raised by cancel()
    messages::ThreadHandle worker_ = nullptr;
    TransferOutcome lastOutcome_ = TransferOutcome::Done;
    std::chrono::steady_clock::time_point cancelReported_{};
    std::optional<TemporarySendName> sendName_;
    std::string temporaryName_;
    std::string failure_;
};

}  // namespace vox::session
