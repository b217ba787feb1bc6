#pragma once
// A worker thread handle as the libraries hand it to their callers. The
// caller owns it and "ends" the worker by joining it after the worker has
// reported its end; no thread is ever killed. Destroying a handle whose
// thread still runs joins it.

#include <functional>
#include <thread>

namespace vox::messages {

class Worker {
  public:
    explicit Worker(std::function<int()> body);
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Waits for the thread to return and gives its exit code.
    int join();
    bool joined() const { return !thread_.joinable(); }

  private:
    int exitCode_ = 0;
    std::thread thread_;
};

// What crosses the flat C interfaces as a "thread handle".
using ThreadHandle = Worker*;

}  // namespace vox::messages
