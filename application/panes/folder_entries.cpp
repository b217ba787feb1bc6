#include "application/panes/folder_entries.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>

namespace vox::panes {

namespace {

// The entry's status, following a link; a dangling link is shown as itself.
std::optional<FolderEntry> entryAt(int folderFd, const char* name) {
    struct stat info {};
    if (::fstatat(folderFd, name, &info, 0) != 0 &&
        ::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    FolderEntry entry;
    entry.name = name;
    entry.folder = S_ISDIR(info.st_mode);
    entry.size = entry.folder ? 0 : static_cast<std::uint64_t>(info.st_size);
    entry.modified = info.st_mtime;
    return entry;
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

bool matchesTypePattern(std::string_view name, std::string_view pattern) {
    if (pattern.empty() || pattern == "*" || pattern == "*.*") return true;
    return ::fnmatch(std::string(pattern).c_str(), std::string(name).c_str(), FNM_CASEFOLD) == 0;
}

std::vector<FolderEntry> readFolder(const std::string& folder, std::string_view pattern) {
    std::vector<FolderEntry> entries;
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir) return entries;
    const int fd = ::dirfd(dir.get());
    while (const dirent* found = ::readdir(dir.get())) {
        const std::string_view name = found->d_name;
        if (name == "." || name == ".." || !matchesTypePattern(name, pattern)) continue;
        if (auto entry = entryAt(fd, found->d_name)) entries.push_back(std::move(*entry));
    }
    return entries;
}

std::optional<FolderEntry> readEntry(const std::string& folder, const std::string& name) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::optional<FolderEntry> entry =
        name.find('/') == std::string::npos ? entryAt(fd, name.c_str()) : std::nullopt;
    ::close(fd);
    return entry;
}

bool isFolder(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int renameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    return errno;
}

std::string withSlash(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

}  // namespace vox::panes
