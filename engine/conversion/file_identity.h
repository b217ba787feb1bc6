#pragma once
// Which file a path names, so that an output is never written over an input:
// two paths name the same file when they reach the same inode, whatever
// their spelling, links or letter case on the disk.

#include <string>

namespace vox::conversion {

// A key equal for two paths exactly when they name the same file: the device
// and inode of an existing file, otherwise the path made absolute and free of
// "." and ".." and of links in its existing part.
std::string fileIdentity(const std::string& path);

inline bool sameFile(const std::string& first, const std::string& second) {
    return fileIdentity(first) == fileIdentity(second);
}

}  // namespace vox::conversion
