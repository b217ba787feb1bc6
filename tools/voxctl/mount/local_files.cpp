// Files of hidden names the recorder cannot store (".name.XXXXXX" of rsync,
// an editor's ".name.swp"): kept in the mount's cache while it lives, shown
// in listings, and sent through the checked copy only when renamed to a name
// the recorder stores, so that the usual write-then-rename replaces a
// recorder file safely and rename() reports how the send went.

#include <fcntl.h>
#include <linux/fs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/rules/upload_plan.h"
#include "tools/voxctl/mount/mounted_recorder.h"

namespace vox::voxctl::mount {

bool MountedRecorder::keptLocally(const std::string& name) const {
    return name.size() > 1 && name.front() == '.' &&
           session::unstorableName(name, static_cast<std::uint8_t>(session_.versionByte()));
}

MountedRecorder::LocalFile* MountedRecorder::localAt(const TreePlace& place) {
    if (place.kind != TreePlace::Kind::Entry) return nullptr;
    const auto found = localFiles_.find(copyKey(place));
    return found == localFiles_.end() ? nullptr : &found->second;
}

int MountedRecorder::openLocal(OpenFile file, bool truncated, std::uint64_t& handle) {
    auto [entry, made] = localFiles_.try_emplace(copyKey(file.place));
    LocalFile& local = entry->second;
    if (made) {
        const int spool = cache_.newFile(local.spoolPath);
        if (spool < 0) {
            const int error = -errno;
            localFiles_.erase(entry);
            return error;
        }
        ::close(spool);
        local.place = file.place;
        local.path = file.path;
    }
    file.spool = ::open(local.spoolPath.c_str(), O_RDWR | O_CLOEXEC);
    if (file.spool < 0) return -errno;
    if (truncated) {
        if (::ftruncate(file.spool, 0) != 0) {
            const int error = -errno;
            ::close(file.spool);
            return error;
        }
        local.refusal = 0;
        shownTimes_.erase(copyKey(file.place));
    }
    file.local = true;
    handle = addHandle(std::move(file));
    return 0;
}

int MountedRecorder::localAttributes(const LocalFile& local, struct stat& attributes) const {
    struct stat spool {};
    if (::stat(local.spoolPath.c_str(), &spool) != 0) return -errno;
    attributes = spool;
    attributes.st_mode = S_IFREG | 0644;
    attributes.st_nlink = 1;
    attributes.st_ino = 0;
    attributes.st_dev = 0;
    if (auto shown = shownTimes_.find(copyKey(local.place)); shown != shownTimes_.end())
        attributes.st_mtim = shown->second;
    return 0;
}

void MountedRecorder::addLocalEntries(rules::RecorderFolder folder, const EntryAdder& add) const {
    for (const auto& [key, local] : localFiles_) {
        struct stat attributes {};
        if (local.place.folder == folder && localAttributes(local, attributes) == 0)
            add(local.place.name, attributes);
    }
}

void MountedRecorder::detachHandles(const std::string& path) {
    for (auto& [handle, file] : files_)
        if (file.local && file.path == path && file.spool >= 0) {
            ::close(file.spool);
            file.spool = -1;
        }
}

int MountedRecorder::unlinkLocal(const TreePlace& place) {
    LocalFile* local = localAt(place);
    detachHandles(local->path);
    ::unlink(local->spoolPath.c_str());
    shownTimes_.erase(copyKey(place));
    localFiles_.erase(copyKey(place));
    return 0;
}

int MountedRecorder::renameLocal(const TreePlace& from, const TreePlace& to,
                                 const std::string& toPath, unsigned flags) {
    LocalFile& local = *localAt(from);
    if (copyKey(from) == copyKey(to)) return 0;
    if (rules::unsafeNameRefusal(to.name)) return -EINVAL;
    // What is still being written is not taken whole yet.
    for (const auto& [handle, file] : files_)
        if (file.local && file.path == local.path && file.dirty) return -EBUSY;
    if (!keptLocally(to.name)) return sendLocal(local, to, toPath);

    // From one name of the PC's to another: only the record moves.
    if (localAt(to) != nullptr) {
        if (flags & RENAME_NOREPLACE) return -EEXIST;
        unlinkLocal(to);
    }
    detachHandles(local.path);
    auto moved = localFiles_.extract(copyKey(from));
    moved.key() = copyKey(to);
    moved.mapped().place = to;
    moved.mapped().path = toPath;
    localFiles_.insert(std::move(moved));
    keepShownTime(from, to);
    return 0;
}

int MountedRecorder::sendLocal(LocalFile& local, const TreePlace& to, const std::string& toPath) {
    if (rules::extensionRefusal(to.folder, rules::pcExtension(to.name))) return -EPERM;
    if (auto unstorable =
            session::unstorableName(to.name, static_cast<std::uint8_t>(session_.versionByte())))
        return nameErrno(*unstorable);
    int error = 0;
    const rules::ListedFile* target = findEntry(to, error);
    if (target == nullptr && error != -ENOENT) return error;
    if (target != nullptr && rules::isFolder(*target)) return -EISDIR;
    if (local.refusal != 0) return local.refusal;
    struct stat spool {};
    if (::stat(local.spoolPath.c_str(), &spool) != 0) return -errno;

    const TreePlace from = local.place;
    detachHandles(local.path);
    const int sent = upload(to, local.spoolPath, static_cast<std::uint64_t>(spool.st_size));
    if (sent != 0) {
        // As a failed close: what was written is kept in the recovery folder.
        OpenFile kept(to, toPath);
        kept.spoolPath = local.spoolPath;
        kept.spool = ::open(local.spoolPath.c_str(), O_RDONLY | O_CLOEXEC);
        recover(kept, std::strerror(-sent));
        if (kept.spool >= 0) ::close(kept.spool);
        shownTimes_.erase(copyKey(from));
        localFiles_.erase(copyKey(from));
        return sent;
    }
    ::unlink(local.spoolPath.c_str());
    localFiles_.erase(copyKey(from));
    keepShownTime(from, to);
    return 0;
}

void MountedRecorder::settleLocalFiles() {
    for (auto& [key, local] : localFiles_) {
        struct stat spool {};
        if (::stat(local.spoolPath.c_str(), &spool) == 0 && spool.st_size > 0) {
            // Nothing tells a tool's leftover from a file the user meant to
            // keep: what holds data is kept.
            OpenFile kept(local.place, local.path);
            kept.spoolPath = local.spoolPath;
            kept.spool = ::open(local.spoolPath.c_str(), O_RDONLY | O_CLOEXEC);
            recover(kept, "its name cannot be stored on the recorder");
            if (kept.spool >= 0) ::close(kept.spool);
            continue;
        }
        ::unlink(local.spoolPath.c_str());
        tell(local.path + ": an empty temporary file kept on the PC only; dropped");
    }
    localFiles_.clear();
}

}  // namespace vox::voxctl::mount
