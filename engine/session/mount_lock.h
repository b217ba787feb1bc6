#pragma once
// While `voxctl mount` serves the recorder as a file system it holds the
// recorder link for as long as the mount lives. It says so in a small lock
// file of our own under the user's runtime folder, so that the program and
// the other commands refuse with the busy message, naming the mount and its
// process, instead of fighting over the link.

#include <optional>
#include <string>

namespace vox::session {

struct MountHolder {
    long pid = 0;
    std::string mountPoint;
};

// $XDG_RUNTIME_DIR/voxerin (or a private folder under /tmp without one).
std::string runtimeFolder();
std::string mountLockPath();

// The mount that holds the recorder, when a live process other than this
// one holds it; a lock left by a process that is gone counts as none.
std::optional<MountHolder> otherMountHolder();

// Written whole under a name of our own, then renamed into place; false
// when the runtime folder cannot be written.
bool writeMountLock(const std::string& mountPoint);
// Removes the lock when it is this process's.
void removeMountLock();

// Whether `pid` is a process that has not ended.
bool processRunning(long pid);

// The program's busy message, then who holds the recorder.
std::string mountedBusyText(const MountHolder& holder);

}  // namespace vox::session
