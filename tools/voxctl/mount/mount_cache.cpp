#include "tools/voxctl/mount/mount_cache.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace vox::voxctl::mount {

namespace {

namespace fs = std::filesystem;

std::string homeFolder(const char* variable, const char* fallback) {
    const char* set = std::getenv(variable);
    if (set != nullptr && set[0] == '/') return set;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "/") + "/" + fallback;
}

}  // namespace

std::string cacheRoot() {
    return homeFolder("XDG_CACHE_HOME", ".cache") + "/voxerin";
}

std::string recoveryFolder() {
    return homeFolder("XDG_DATA_HOME", ".local/share") + "/voxerin/recovered";
}

MountCache::MountCache(std::uint64_t capBytes) : capBytes_(capBytes) {
    std::error_code error;
    fs::create_directories(cacheRoot(), error);
    std::string pattern = cacheRoot() + "/mount-XXXXXX";
    if (error || ::mkdtemp(pattern.data()) == nullptr) {
        error_ = cacheRoot() + ": " + std::strerror(error ? error.value() : errno);
        return;
    }
    folder_ = pattern;
}

MountCache::~MountCache() {
    std::error_code ignored;
    if (!folder_.empty()) fs::remove_all(folder_, ignored);
}

int MountCache::newFile(std::string& path) {
    path = folder_ + "/file-XXXXXX";
    const int fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0) path.clear();
    return fd;
}

std::optional<std::string> MountCache::copyOf(const std::string& key) {
    for (auto copy = copies_.begin(); copy != copies_.end(); ++copy) {
        if (copy->key != key) continue;
        copies_.splice(copies_.begin(), copies_, copy);
        return copies_.front().path;
    }
    return std::nullopt;
}

void MountCache::keep(const std::string& key, const std::string& path, std::uint64_t bytes) {
    forget(key);
    copies_.push_front({key, path, bytes});
    keptBytes_ += bytes;
    // The newest copy stays even when it alone is over the cap: it is the
    // one being read.
    trimTo(capBytes_ > bytes ? capBytes_ - bytes : 0);
}

void MountCache::forget(const std::string& key) {
    for (auto copy = copies_.begin(); copy != copies_.end(); ++copy) {
        if (copy->key != key) continue;
        ::unlink(copy->path.c_str());
        keptBytes_ -= copy->bytes;
        copies_.erase(copy);
        return;
    }
}

void MountCache::forgetAll() {
    for (const Copy& copy : copies_) ::unlink(copy.path.c_str());
    copies_.clear();
    keptBytes_ = 0;
}

void MountCache::trimTo(std::uint64_t capBytes) {
    // Readers that have a copy open keep reading it after its name is gone.
    while (copies_.size() > 1 && keptBytes_ - copies_.front().bytes > capBytes) {
        ::unlink(copies_.back().path.c_str());
        keptBytes_ -= copies_.back().bytes;
        copies_.pop_back();
    }
}

}  // namespace vox::voxctl::mount
