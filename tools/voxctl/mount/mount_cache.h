#pragma once
// The mount's files on the PC: whole copies of recorder files fetched on
// their first read, kept up to a size cap (the least recently used go
// first), and the spools that writes go to until they are sent. All of it
// lives in a folder of this mount's own under $XDG_CACHE_HOME/voxerin and
// goes with the mount.

#include <cstdint>
#include <list>
#include <optional>
#include <string>

namespace vox::voxctl::mount {

class MountCache {
  public:
    // Makes the folder; `capBytes` bounds the fetched copies kept.
    explicit MountCache(std::uint64_t capBytes);
    ~MountCache();
    MountCache(const MountCache&) = delete;
    MountCache& operator=(const MountCache&) = delete;

    // False when the cache folder could not be made; `error()` says why.
    bool usable() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    // A new empty file of ours in the cache, created exclusively; its
    // descriptor (open for reading and writing) and path, or -1.
    int newFile(std::string& path);

    // The whole copy of `key` kept from an earlier fetch.
    std::optional<std::string> copyOf(const std::string& key);
    // Keeps the file at `path` (of ours, `bytes` long) as `key`'s copy.
    void keep(const std::string& key, const std::string& path, std::uint64_t bytes);
    void forget(const std::string& key);
    void forgetAll();

  private:
    struct Copy {
        std::string key;
        std::string path;
        std::uint64_t bytes = 0;
    };
    void trimTo(std::uint64_t capBytes);

    std::string folder_;
    std::string error_;
    std::uint64_t capBytes_;
    std::uint64_t keptBytes_ = 0;
    std::list<Copy> copies_;  // most recently used first
};

// $XDG_CACHE_HOME/voxerin (~/.cache/voxerin without it).
std::string cacheRoot();
// $XDG_DATA_HOME/voxerin/recovered (~/.local/share/voxerin/recovered).
std::string recoveryFolder();

}  // namespace vox::voxctl::mount
