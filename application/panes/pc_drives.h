#pragma once
// The "drives" of My Computer: the root file system and the volumes a
// person would call drives (removable and user volumes under /media,
// /run/media and /mnt), each with its mount point ending in '/' as its drive
// string and the name the desktop shows for it.

#include <QString>
#include <functional>
#include <string>
#include <vector>

namespace vox::panes {

struct PcDrive {
    std::string root;  // mount point ending with '/'
    QString name;
};

using DriveSource = std::function<std::vector<PcDrive>()>;

// The mounted drives now, "/" first, then by mount point.
std::vector<PcDrive> mountedDrives();

}  // namespace vox::panes
