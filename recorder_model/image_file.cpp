#include "recorder_model/image_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "recorder_model/image_format.h"
#include "recorder_model/recorder.h"

namespace vox::model {

namespace {

std::string systemError(const char* what, const std::filesystem::path& path) {
    return std::string(what) + " " + path.string() + ": " + std::strerror(errno);
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        ssize_t done = ::write(fd, bytes.data(), bytes.size());
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(done));
    }
    return true;
}

bool syncFolder(const std::filesystem::path& folder) {
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

std::unique_ptr<ImageFile> ImageFile::lock(const std::filesystem::path& image, std::string& error) {
    auto lockPath = image;
    lockPath += ".lock";
    int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = systemError("cannot open the lock file", lockPath);
        return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = errno == EWOULDBLOCK
                    ? "recorder image " + image.string() + " is in use by another program"
                    : systemError("cannot lock", lockPath);
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<ImageFile>(new ImageFile(image, fd));
}

ImageFile::~ImageFile() {
    ::close(lockFd_);
}  // closing releases the lock

bool ImageFile::exists() const {
    std::error_code ignored;
    return std::filesystem::exists(path_, ignored);
}

bool ImageFile::load(RecorderOptions& options, std::unique_ptr<FlashFileSystem>& fileSystem,
                     std::string& error) const {
    int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = systemError("cannot open recorder image", path_);
        return false;
    }
    std::vector<std::uint8_t> bytes;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    if (ok) bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t got = 0;
    while (ok && got < bytes.size()) {
        ssize_t done = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0)
            ok = false;
        else
            got += static_cast<std::size_t>(done);
    }
    ::close(fd);
    if (!ok) {
        error = systemError("cannot read recorder image", path_);
        return false;
    }
    std::string why;
    if (!readImage(bytes, options, fileSystem, why)) {
        error = "recorder image " + path_.string() + " " + why;
        return false;
    }
    return true;
}

bool ImageFile::save(const RecorderOptions& options, const FlashFileSystem& fileSystem,
                     std::string& error) const {
    auto temporary = path_;
    temporary += ".new";
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = systemError("cannot write", temporary);
        return false;
    }
    bool ok = writeImage(options, fileSystem,
                         [fd](std::span<const std::uint8_t> piece) { return writeAll(fd, piece); });
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temporary.c_str(), path_.c_str()) == 0;
    if (!ok) {
        error = systemError("cannot save recorder image", path_);
        ::unlink(temporary.c_str());
        return false;
    }
    // The rename itself lasts only once the folder is synced.
    syncFolder(path_.parent_path());
    return true;
}

}  // namespace vox::model
