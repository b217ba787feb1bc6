#include "application/core/running_work.h"

#include <QCoreApplication>
#include <chrono>
#include <future>

namespace vox::app {

namespace {

// A worker may still be sending to a window, and sending waits for the GUI
// thread: the join runs beside it while the GUI thread handles messages.
void joinWhileHandlingMessages(std::unique_ptr<vox::messages::Worker>& worker) {
    if (!worker) return;
    auto joined = std::async(std::launch::async, [w = worker.get()] { w->join(); });
    while (joined.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    worker.reset();
}

}  // namespace

RunningWork::~RunningWork() {
    joinAll();
}

void RunningWork::begin(Work work, std::unique_ptr<vox::messages::Worker> worker) {
    if (work == Work::Conversion) {
        converting_ = true;
        conversionWorker_ = std::move(worker);
    } else if (work != Work::Nothing) {
        onRecorder_ = work;
        recorderWorker_ = std::move(worker);
    }
}

void RunningWork::end(Work work) {
    if (work == Work::Conversion) {
        conversionWorker_.reset();  // joins; the worker returns right after its last notice
        converting_ = false;
    } else if (work == onRecorder_) {
        recorderWorker_.reset();
        onRecorder_ = Work::Nothing;
    }
}

// Work that runs on the session's workers is the session's to end.
void RunningWork::joinAll() {
    if (recorderWorker_) {
        joinWhileHandlingMessages(recorderWorker_);
        onRecorder_ = Work::Nothing;
    }
    if (conversionWorker_) {
        joinWhileHandlingMessages(conversionWorker_);
        converting_ = false;
    }
}

}  // namespace vox::app
