#pragma once
// Keeps a second copy of the program from running: the first copy holds an
// exclusive lock on "PreventSecondInstanceRunning" in the user's runtime
// folder for as long as its process lives; the system drops the lock with the
// process, also after a crash.

#include <QString>

namespace vox::app {

class InstanceLock {
  public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when this process now holds the lock; false when another holder
    // has it (or the lock file cannot be made safely).
    bool acquire();
    bool held() const { return fd_ >= 0; }

    // $XDG_RUNTIME_DIR when it is a usable folder, else /tmp/voxerin-<uid>.
    static QString lockFolder();

  private:
    int fd_ = -1;
};

}  // namespace vox::app
