#pragma once
// Serves a MountedRecorder on a mount point through libfuse until the mount
// point is unmounted, a signal asks the mount to end, or the recorder goes
// away.

#include <functional>
#include <string>

#include "tools/voxctl/mount/mounted_recorder.h"

namespace vox::voxctl::mount {

enum class MountEnd { Unmounted, RecorderGone, Failed };

// Calls `ready` once the file system is mounted. On Failed, `error` says why.
MountEnd serve(MountedRecorder& recorder, const std::string& mountPoint,
               const std::function<void()>& ready, std::string& error);

}  // namespace vox::voxctl::mount
