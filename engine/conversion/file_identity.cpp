#include "engine/conversion/file_identity.h"

#include <sys/stat.h>

#include <filesystem>

namespace vox::conversion {

std::string fileIdentity(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0)
        return "inode " + std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
    std::error_code error;
    const auto canonical = std::filesystem::weakly_canonical(path, error);
    return "path " + (error ? path : canonical.string());
}

}  // namespace vox::conversion
