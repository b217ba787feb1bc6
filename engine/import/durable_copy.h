#pragma once
// Making a placed copy survive a power cut: its bytes and the folder entry
// that names it are both on the disk before anything that relies on the copy
// (above all, deleting the original from the recorder) happens.

#include <string>

namespace vox::importing {

// Flushes the file `path` and its folder `folder` to the disk; false with
// `error` naming the file and the cause when either could not be flushed.
bool makeDurable(const std::string& path, const std::string& folder, std::string& error);

}  // namespace vox::importing
