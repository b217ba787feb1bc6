#pragma once
// What the program is doing for the user, in one place: the operation that
// holds the recorder (a transfer, a delete or a format), whether a
// conversion runs beside it (it needs no recorder, so the two may overlap),
// and the workers of the program's own that those run on, which end here.

#include <memory>

#include "platform/messages/worker.h"

namespace vox::app {

enum class Work { Nothing, Transfer, Delete, Format, Conversion };

class RunningWork {
  public:
    RunningWork() = default;
    // Joins what still runs.
    ~RunningWork();
    RunningWork(const RunningWork&) = delete;
    RunningWork& operator=(const RunningWork&) = delete;

    // `work` begins. A delete or a conversion runs on `worker`, kept here
    // until the work ends; a transfer or a format on the session's own.
    void begin(Work work, std::unique_ptr<vox::messages::Worker> worker = nullptr);
    // `work` is over: its worker, which has sent its last notice, is joined.
    void end(Work work);
    // Waits for every worker kept here to return while the GUI thread goes
    // on handling the messages they may still send, then forgets all work.
    void joinAll();

    // Transfer, Delete, Format or Nothing.
    Work onRecorder() const { return onRecorder_; }
    bool converting() const { return converting_; }
    bool hasWorkers() const { return recorderWorker_ || conversionWorker_; }

    // From a worker's start notice to its end notice (for a transfer, each
    // file's).
    bool busy() const { return busy_; }
    void setBusy(bool busy) { busy_ = busy; }

  private:
    Work onRecorder_ = Work::Nothing;
    bool converting_ = false;
    bool busy_ = false;
    std::unique_ptr<vox::messages::Worker> recorderWorker_;
    std::unique_ptr<vox::messages::Worker> conversionWorker_;
};

}  // namespace vox::app
