#include "recorder_model/image_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <optional>
#include <random>
#include <sstream>
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

// A new file of our own beside `target`: a fresh name, never an existing
// file or link. -1 with `temporary` naming the last try on failure.
int createTemporaryBeside(const std::filesystem::path& target, std::filesystem::path& temporary) {
    std::random_device entropy;
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::ostringstream suffix;
        suffix << ".new-" << std::hex << entropy();
        temporary = target;
        temporary += suffix.str();
        int fd =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool syncFolder(const std::filesystem::path& folder) {
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    return "a special file";
}

// The file an image path stands for: the target of a symbolic link, so that
// saves replace the real image and not the link; the path itself for an
// image still to be created, which needs a writable folder. Anything else
// (a dangling link, a folder, a device, a pipe) is refused before a lock
// file is made beside it.
std::optional<std::filesystem::path> realImagePath(const std::filesystem::path& image,
                                                   std::string& error) {
    const std::string quoted = "recorder image " + image.string();
    struct stat info {};
    if (::lstat(image.c_str(), &info) != 0) {
        if (errno != ENOENT) {
            error = systemError("cannot examine recorder image", image);
            return std::nullopt;
        }
        const std::filesystem::path folder = image.has_parent_path() ? image.parent_path() : ".";
        struct stat folderInfo {};
        if (::stat(folder.c_str(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode) ||
            ::access(folder.c_str(), W_OK | X_OK) != 0) {
            error =
                "cannot create " + quoted + ": " + folder.string() + " is not a writable folder";
            return std::nullopt;
        }
        return image;
    }
    std::filesystem::path real = image;
    if (S_ISLNK(info.st_mode)) {
        std::error_code failed;
        const std::filesystem::path target = std::filesystem::read_symlink(image, failed);
        real = std::filesystem::canonical(image, failed);
        if (failed) {
            error = quoted + " is a symbolic link to " + target.string() +
                    (failed == std::errc::no_such_file_or_directory ? ", which does not exist"
                                                                    : ": " + failed.message());
            return std::nullopt;
        }
        if (::stat(real.c_str(), &info) != 0) {
            error = systemError("cannot examine recorder image", real);
            return std::nullopt;
        }
    }
    if (!S_ISREG(info.st_mode)) {
        error = quoted + " is " + kindOf(info.st_mode) + ", not an image file";
        return std::nullopt;
    }
    return real;
}

// The process holding the flock on `fd`'s file, as Linux lists it in
// /proc/locks ("1: FLOCK ADVISORY WRITE <pid> <major>:<minor>:<inode> 0 EOF"),
// with its command name; empty when Linux does not tell.
std::string lockHolder(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return {};
    std::ostringstream file;
    file << std::hex << std::setfill('0') << std::setw(2) << major(info.st_dev) << ':'
         << std::setw(2) << minor(info.st_dev) << ':' << std::dec << info.st_ino;
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string number, kind, advisory, access, pid, where;
        fields >> number >> kind >> advisory >> access >> pid >> where;
        if (kind != "FLOCK" || where != file.str() || pid.empty() || pid == "-1") continue;
        std::ifstream commFile("/proc/" + pid + "/comm");
        std::string command;
        std::getline(commFile, command);
        return command.empty() ? "process " + pid : command + ", process " + pid;
    }
    return {};
}

}  // namespace

std::unique_ptr<ImageFile> ImageFile::lock(const std::filesystem::path& image, std::string& error,
                                           bool* inUse) {
    if (inUse != nullptr) *inUse = false;
    const std::optional<std::filesystem::path> real = realImagePath(image, error);
    if (!real) return nullptr;
    // The lock sits beside the real file, so two links to one image share it.
    auto lockPath = *real;
    lockPath += ".lock";
    int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = systemError("cannot open the lock file", lockPath);
        return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            const std::string holder = lockHolder(fd);
            error = "recorder image " + image.string() + " is in use by another program" +
                    (holder.empty() ? "" : " (" + holder + ")");
            if (inUse != nullptr) *inUse = true;
        } else {
            error = systemError("cannot lock", lockPath);
        }
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<ImageFile>(new ImageFile(*real, fd));
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
    struct stat old {};
    const bool replacing = ::stat(path_.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    std::filesystem::path temporary;
    int fd = createTemporaryBeside(path_, temporary);
    if (fd < 0) {
        error = systemError("cannot write", temporary);
        return false;
    }
    // The new image keeps the old one's mode and, where we may, its owner.
    bool ok = !replacing || ::fchmod(fd, old.st_mode & 07777) == 0;
    if (ok && replacing && (old.st_uid != ::geteuid() || old.st_gid != ::getegid()))
        (void)::fchown(fd, old.st_uid, old.st_gid);
    ok = ok && writeImage(options, fileSystem, [fd](std::span<const std::uint8_t> piece) {
             return writeAll(fd, piece);
         });
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
