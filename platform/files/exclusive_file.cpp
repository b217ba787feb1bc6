#include "platform/files/exclusive_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <random>

namespace vox::files {

namespace {

// Fresh names drawn before giving up on a folder full of our own leftovers.
constexpr int kNameAttempts = 100;

}  // namespace

std::FILE* createBeside(const std::string& target, std::string& path) {
    std::random_device random;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x", random());
        std::string candidate = target + suffix;
        const int fd =
            ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return nullptr;
        }
        std::FILE* file = ::fdopen(fd, "wb");
        if (file == nullptr) {
            const int error = errno;
            ::close(fd);
            ::unlink(candidate.c_str());
            errno = error;
            return nullptr;
        }
        path = std::move(candidate);
        return file;
    }
    errno = EEXIST;
    return nullptr;
}

}  // namespace vox::files
