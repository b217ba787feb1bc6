#include "platform/messages/worker.h"

namespace vox::messages {

Worker::Worker(std::function<int()> body)
    : thread_([this, body = std::move(body)] { exitCode_ = body(); }) {}

Worker::~Worker() {
    if (thread_.joinable()) thread_.join();
}

int Worker::join() {
    if (thread_.joinable()) thread_.join();
    return exitCode_;
}

}  // namespace vox::messages
