#pragma once
// The desktop's trash (the freedesktop.org layout the file managers share):
// an item goes to the user's trash when it lies on the same file system as
// the user's data folder, else to the trash at the top of its own file
// system, with an info file that records where it came from and when.
// Works on the file system's bytes, so any name can be trashed.

#include <string>

namespace vox::panes {

// Moves `path` (absolute) to the trash. False, with the reason in `error`,
// when it was not moved; nothing is left behind then.
bool moveToDesktopTrash(const std::string& path, std::string& error);

}  // namespace vox::panes
