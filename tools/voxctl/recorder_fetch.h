#pragma once
// Fetches of recorder files into files of our own, for copies that are read
// back and checked, and for imports that take their final name only once
// whole (and checked).

#include <string>

#include "engine/rules/recorder_folder.h"
#include "tools/voxctl/recorder_session.h"

namespace vox::voxctl {

// A file of ours, created exclusively beside `target` under a fresh name and
// removed when this goes out of scope, unless released.
class OwnFile {
  public:
    // Throws a PC file error when the folder refuses.
    explicit OwnFile(const std::string& target);
    ~OwnFile();
    OwnFile(const OwnFile&) = delete;
    OwnFile& operator=(const OwnFile&) = delete;

    const std::string& path() const { return path_; }
    // The file now has another name (or is gone); nothing is removed.
    void release() { path_.clear(); }

  private:
    std::string path_;
};

// Fetches `shortName` from `folder` into `pcPath` (which the fetch replaces
// once the file has arrived whole). Throws the command error of a fetch
// that did not arrive whole, or of Ctrl-C.
void fetchInto(RecorderSession& session, rules::RecorderFolder folder, const std::string& shortName,
               const std::string& pcPath, const std::string& label);

// A second fetch of the recorder file compared byte for byte with the PC
// file `copy`; true when they agree.
bool readsBackTheSame(RecorderSession& session, rules::RecorderFolder folder,
                      const std::string& shortName, const std::string& copy);

}  // namespace vox::voxctl
