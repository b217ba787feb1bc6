#include "application/panes/desktop_trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "application/panes/folder_entries.h"

namespace vox::panes {

namespace {

std::string dataHome() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/') return data;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.local/share";
}

bool makeFolders(const std::string& path) {
    for (std::size_t slash = 1; slash != std::string::npos;) {
        slash = path.find('/', slash + 1);
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool sameDevice(const std::string& path, dev_t device) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && info.st_dev == device;
}

// The top of the file system that holds `path`: the last folder upwards
// that is still on `device`.
std::string topOf(std::string path, dev_t device) {
    while (path.size() > 1) {
        const std::size_t slash = path.rfind('/');
        const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
        if (!sameDevice(parent, device)) return path;
        path = parent;
    }
    return "/";
}

// The trash for an item on `device`, its files/ and info/ folders made.
std::string trashFor(const std::string& path, dev_t device) {
    const std::string home = dataHome() + "/Trash";
    if (makeFolders(dataHome()) && sameDevice(dataHome(), device)) {
        if (makeFolders(home + "/files") && makeFolders(home + "/info")) return home;
        return {};
    }
    std::string top = topOf(path, device);
    if (top != "/") top += '/';
    const std::string uid = std::to_string(::getuid());
    // A shared .Trash folder counts only when it is a sticky folder, not a link.
    struct stat shared {};
    if (::lstat((top + ".Trash").c_str(), &shared) == 0 && S_ISDIR(shared.st_mode) &&
        (shared.st_mode & S_ISVTX) != 0) {
        const std::string own = top + ".Trash/" + uid;
        if (makeFolders(own + "/files") && makeFolders(own + "/info")) return own;
    }
    const std::string own = top + ".Trash-" + uid;
    if (makeFolders(own + "/files") && makeFolders(own + "/info")) return own;
    return {};
}

std::string percentEncoded(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || std::strchr("-._~/", c) != nullptr;
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string infoText(const std::string& path) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%S", &local);
    return "[Trash Info]\nPath=" + percentEncoded(path) + "\nDeletionDate=" + when + "\n";
}

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

}  // namespace

bool moveToDesktopTrash(const std::string& path, std::string& error) {
    struct stat item {};
    if (path.empty() || path[0] != '/' || ::lstat(path.c_str(), &item) != 0) {
        error = std::strerror(errno ? errno : ENOENT);
        return false;
    }
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const std::string trash = trashFor(trimmed, item.st_dev);
    if (trash.empty()) {
        error = "no trash folder can be used on this file system";
        return false;
    }
    const std::string name = trimmed.substr(trimmed.rfind('/') + 1);
    const std::string info = infoText(trimmed);
    // The info file is created exclusively first: it reserves the name.
    for (int attempt = 1; attempt < 10000; ++attempt) {
        const std::string entry = attempt == 1 ? name : name + "." + std::to_string(attempt);
        const std::string infoPath = trash + "/info/" + entry + ".trashinfo";
        const int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            error = std::strerror(errno);
            return false;
        }
        const bool written = writeAll(fd, info);
        const bool closed = ::close(fd) == 0;
        const std::string target = trash + "/files/" + entry;
        const int moved = written && closed ? renameWithoutReplacing(trimmed, target) : EIO;
        if (moved == 0) return true;
        ::unlink(infoPath.c_str());
        if (moved == EEXIST) continue;
        error = std::strerror(moved);
        return false;
    }
    error = "too many items of that name in the trash";
    return false;
}

}  // namespace vox::panes
