#include "application/conversion/replacing_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <random>

namespace vox::conversion {

namespace {

// Fresh names drawn before giving up on a folder full of our own leftovers.
constexpr int kNameAttempts = 100;

}  // namespace

ReplacingOutput::~ReplacingOutput() {
    if (!temporary_.empty() && !committed_) ::unlink(temporary_.c_str());
}

std::FILE* ReplacingOutput::create() {
    // O_EXCL: a file or link already under the drawn name is never reused;
    // the mode is a plain creation's, under the user's umask.
    std::random_device random;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x", random());
        std::string candidate = destination_ + suffix;
        const int fd =
            ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return nullptr;
        }
        temporary_ = std::move(candidate);
        std::FILE* file = ::fdopen(fd, "wb");
        if (file == nullptr) ::close(fd);
        return file;
    }
    return nullptr;
}

bool ReplacingOutput::commit() {
    if (temporary_.empty() || ::rename(temporary_.c_str(), destination_.c_str()) != 0) return false;
    committed_ = true;
    return true;
}

}  // namespace vox::conversion
