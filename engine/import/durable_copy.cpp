#include "engine/import/durable_copy.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vox::importing {

namespace {

bool flush(const std::string& path, int flags, std::string& error) {
    const int fd = ::open(path.c_str(), flags | O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    bool ok = fd >= 0 && ::fsync(fd) == 0;
    const int cause = errno;
    if (fd >= 0) ::close(fd);
    if (!ok) error = path + ": cannot be written to the disk: " + std::strerror(cause);
    return ok;
}

}  // namespace

bool makeDurable(const std::string& path, const std::string& folder, std::string& error) {
    return flush(path, 0, error) && flush(folder, O_DIRECTORY, error);
}

}  // namespace vox::importing
