// The mount's listings, attributes, reads and the changes that take one
// recorder command each.

#include "tools/voxctl/mount/mounted_recorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <thread>

#include "engine/rules/rule_texts.h"
#include "engine/rules/transfer_units.h"
#include "engine/rules/upload_plan.h"
#include "engine/session/session_timing.h"
#include "platform/text/time_text.h"
#include "tools/voxctl/command_error.h"
#include "tools/voxctl/recorder_fetch.h"

namespace vox::voxctl::mount {

namespace {

// What a CREATE carries of a long name.
constexpr long kLongestName = 65;

// The recorder's own folders keep no dates: they show when the mount began.
const std::time_t kMountedAt = std::time(nullptr);

struct stat folderAttributes() {
    struct stat attributes {};
    attributes.st_mtime = attributes.st_ctime = attributes.st_atime = kMountedAt;
    attributes.st_mode = S_IFDIR | 0755;
    attributes.st_nlink = 2;
    attributes.st_uid = ::getuid();
    attributes.st_gid = ::getgid();
    return attributes;
}

// The recorder keeps local time, as the PC showed it when the file was made.
std::time_t entryTime(const rules::RecorderDate& stored) {
    const rules::RecorderDate date = rules::shownDate(stored);
    return text::secondsOf({date.year, date.month, date.day, date.hour, date.minute, date.second});
}

struct stat entryAttributes(const rules::ListedFile& file) {
    struct stat attributes = folderAttributes();
    if (!rules::isFolder(file)) {
        attributes.st_mode = S_IFREG | 0644;
        attributes.st_nlink = 1;
        attributes.st_size = file.size;
        attributes.st_blocks =
            static_cast<blkcnt_t>(rules::blockCount(file.size) * rules::kBlockBytes / 512);
    }
    attributes.st_mtime = attributes.st_ctime = attributes.st_atime = entryTime(file.date);
    return attributes;
}

}  // namespace

int refusalErrno(const std::string& message) {
    using namespace rules::texts;
    if (message == kFolderFull || message == kNoRoomForBothCopies) return -ENOSPC;
    if (message.rfind(rules::fillIn(kNotEnoughSpace, "").substr(0, 20), 0) == 0) return -ENOSPC;
    if (message == kVoiceFileOnly || message == kMusicFileOnly) return -EPERM;
    return -EINVAL;
}

MountedRecorder::MountedRecorder(RecorderSession& session, MountCache& cache)
    : session_(session), cache_(cache) {}

MountedRecorder::~MountedRecorder() {
    for (auto& [handle, file] : files_) {
        if (file.copy >= 0) ::close(file.copy);
        if (file.spool >= 0) ::close(file.spool);
        if (!file.spoolPath.empty()) ::unlink(file.spoolPath.c_str());
    }
}

int MountedRecorder::deviceError() {
    if (gone()) return -ENODEV;
    try {
        session_.requireAnswer();
    } catch (const CommandError&) {
        markGone();
        return -ENODEV;
    }
    return -EIO;
}

int MountedRecorder::errorOf(const CommandError& error) {
    switch (error.status()) {
        case kExitBusy:
            return -EBUSY;
        case kExitNotFound:
            return -ENOENT;
        case kExitRefused:
            return refusalErrno(error.what());
        default:
            return deviceError();
    }
}

int MountedRecorder::command(rules::RecorderFolder folder, int refused,
                             const std::function<int(DeviceContext*)>& call) {
    // The recorder acts in the folder listed last.
    try {
        session_.ensureListed(folder);
    } catch (const CommandError& failure) {
        return errorOf(failure);
    }
    const int outcome = call(session_.link());
    changed();
    if (outcome < 0) return deviceError();
    return outcome > 0 ? refused : 0;
}

void MountedRecorder::changed() {
    listings_.clear();
}

const rules::RecorderListing* MountedRecorder::listing(rules::RecorderFolder folder, int& error) {
    if (gone()) {
        error = -ENODEV;
        return nullptr;
    }
    if (auto kept = listings_.find(folder); kept != listings_.end()) return &kept->second;
    try {
        return &(listings_[folder] = session_.listFolder(folder));
    } catch (const CommandError& failure) {
        listings_.erase(folder);
        error = errorOf(failure);
        return nullptr;
    }
}

const rules::ListedFile* MountedRecorder::findEntry(const TreePlace& place, int& error) {
    const rules::RecorderListing* files = listing(place.folder, error);
    if (files == nullptr) return nullptr;
    for (const rules::ListedFile& file : files->files)
        if (rules::plainName(file) == place.name) return &file;
    error = -ENOENT;
    return nullptr;
}

const MountedRecorder::OpenFile* MountedRecorder::pendingAt(const std::string& path) const {
    for (const auto& [handle, file] : files_)
        if (file.spool >= 0 && file.path == path) return &file;
    return nullptr;
}

int MountedRecorder::getattr(const char* path, struct stat& attributes) {
    const TreePlace place = placeOf(path);
    switch (place.kind) {
        case TreePlace::Kind::Root:
        case TreePlace::Kind::VoiceGroup:
        case TreePlace::Kind::Folder:
            attributes = folderAttributes();
            return 0;
        case TreePlace::Kind::Nowhere:
            return -ENOENT;
        case TreePlace::Kind::Entry:
            break;
    }
    // A file being written shows what has been written so far.
    if (const OpenFile* pending = pendingAt(path)) {
        struct stat spool {};
        if (::fstat(pending->spool, &spool) != 0) return -errno;
        attributes = folderAttributes();
        attributes.st_mode = S_IFREG | 0644;
        attributes.st_nlink = 1;
        attributes.st_size = spool.st_size;
        attributes.st_mtim = spool.st_mtim;
        return 0;
    }
    if (const LocalFile* local = localAt(place)) return localAttributes(*local, attributes);
    int error = 0;
    const rules::ListedFile* file = findEntry(place, error);
    if (file == nullptr) return error;
    attributes = entryAttributes(*file);
    if (auto shown = shownTimes_.find(copyKey(place)); shown != shownTimes_.end())
        attributes.st_mtim = shown->second;
    return 0;
}

int MountedRecorder::utimens(const char* path, const struct timespec times[2]) {
    const TreePlace place = placeOf(path);
    if (place.kind != TreePlace::Kind::Entry || times == nullptr || times[1].tv_nsec == UTIME_OMIT)
        return 0;
    int error = 0;
    if (pendingAt(path) == nullptr && localAt(place) == nullptr &&
        findEntry(place, error) == nullptr)
        return error;
    struct timespec shown = times[1];
    if (shown.tv_nsec == UTIME_NOW) clock_gettime(CLOCK_REALTIME, &shown);
    shownTimes_[copyKey(place)] = shown;
    return 0;
}

int MountedRecorder::readdir(const char* path, const EntryAdder& add) {
    const TreePlace place = placeOf(path);
    if (place.kind == TreePlace::Kind::Root || place.kind == TreePlace::Kind::VoiceGroup) {
        for (const std::string& child : groupChildren(place.kind)) add(child, folderAttributes());
        return 0;
    }
    // The recorder lists only its five folders; a folder made inside one
    // shows empty.
    if (place.kind == TreePlace::Kind::Entry) return 0;
    if (place.kind != TreePlace::Kind::Folder) return -ENOENT;
    int error = 0;
    const rules::RecorderListing* files = listing(place.folder, error);
    if (files == nullptr) return error;
    for (const rules::ListedFile& file : files->files) {
        const std::string name = rules::plainName(file);
        struct stat attributes = entryAttributes(file);
        const TreePlace entry{TreePlace::Kind::Entry, place.folder, name};
        if (auto shown = shownTimes_.find(copyKey(entry)); shown != shownTimes_.end())
            attributes.st_mtim = shown->second;
        add(name, attributes);
    }
    addLocalEntries(place.folder, add);
    return 0;
}

int MountedRecorder::statfs(struct statvfs& out) {
    int error = 0;
    const rules::RecorderListing* files = listing(rules::RecorderFolder::A, error);
    if (files == nullptr) return error;
    out = {};
    out.f_bsize = out.f_frsize = rules::kBlockBytes;
    out.f_blocks = files->totalBytes / rules::kBlockBytes;
    out.f_bfree = out.f_bavail = files->freeBytes / rules::kBlockBytes;
    out.f_namemax = kLongestName;
    return 0;
}

std::uint64_t MountedRecorder::addHandle(OpenFile file) {
    const std::uint64_t handle = nextHandle_++;
    files_.emplace(handle, std::move(file));
    return handle;
}

MountedRecorder::OpenFile* MountedRecorder::handleOf(std::uint64_t handle) {
    auto found = files_.find(handle);
    return found == files_.end() ? nullptr : &found->second;
}

int MountedRecorder::fetchCopy(OpenFile& file) {
    if (file.copy >= 0) return 0;
    std::optional<std::string> kept = cache_.copyOf(copyKey(file.place));
    if (!kept) {
        int error = 0;
        const rules::ListedFile* entry = findEntry(file.place, error);
        if (entry == nullptr) return error == -ENOENT ? -EIO : error;
        std::string path;
        const int made = cache_.newFile(path);
        if (made < 0) return -errno;
        ::close(made);
        try {
            fetchInto(session_, file.place.folder, entry->shortName, path, file.place.name);
        } catch (const CommandError&) {
            ::unlink(path.c_str());
            return deviceError();
        }
        cache_.keep(copyKey(file.place), path, entry->size);
        kept = path;
    }
    file.copy = ::open(kept->c_str(), O_RDONLY | O_CLOEXEC);
    return file.copy >= 0 ? 0 : -errno;
}

int MountedRecorder::read(std::uint64_t handle, char* buffer, std::size_t size, off_t offset) {
    OpenFile* file = handleOf(handle);
    if (file == nullptr) return -EBADF;
    const int from = file->spool >= 0 ? file->spool : file->copy;
    if (from < 0) {
        if (const int error = fetchCopy(*file); error != 0) return error;
        return read(handle, buffer, size, offset);
    }
    const ssize_t got = ::pread(from, buffer, size, offset);
    return got >= 0 ? static_cast<int>(got) : -errno;
}

int MountedRecorder::release(std::uint64_t handle) {
    OpenFile* file = handleOf(handle);
    if (file == nullptr) return -EBADF;
    // Nothing here can fail: whatever was to be sent was sent on flush.
    if (file->copy >= 0) ::close(file->copy);
    if (file->spool >= 0) ::close(file->spool);
    if (!file->spoolPath.empty()) ::unlink(file->spoolPath.c_str());
    files_.erase(handle);
    return 0;
}

int MountedRecorder::unlink(const char* path) {
    const TreePlace place = placeOf(path);
    if (place.kind != TreePlace::Kind::Entry) return -EPERM;
    if (localAt(place) != nullptr) return unlinkLocal(place);
    int error = 0;
    const rules::ListedFile* entry = findEntry(place, error);
    if (entry == nullptr) return error;
    if (rules::isFolder(*entry)) return -EISDIR;
    const std::string shortName = entry->shortName;
    cache_.forget(copyKey(place));
    shownTimes_.erase(copyKey(place));
    const int result = command(place.folder, -EACCES, [&](DeviceContext* link) {
        return QVDeleteFile(link, shortName.c_str(), STORE_MAIN);
    });
    if (result != 0) return result;
    // The pause the recorder is given between deletes.
    std::this_thread::sleep_for(session::SessionTiming{}.betweenDeletes);
    return 0;
}

int MountedRecorder::mkdir(const char* path) {
    const TreePlace place = placeOf(path);
    if (place.kind != TreePlace::Kind::Entry) return -EPERM;
    if (rules::unsafeNameRefusal(place.name)) return -EINVAL;
    int error = 0;
    if (findEntry(place, error) != nullptr) return -EEXIST;
    if (error != -ENOENT) return error;
    return command(place.folder, -EPERM, [&](DeviceContext* link) {
        return QVMakeDirectory(link, place.name.c_str(), STORE_MAIN);
    });
}

int MountedRecorder::rmdir(const char* path) {
    const TreePlace place = placeOf(path);
    if (place.kind != TreePlace::Kind::Entry) return -EPERM;
    int error = 0;
    const rules::ListedFile* entry = findEntry(place, error);
    if (entry == nullptr) return error;
    if (!rules::isFolder(*entry)) return -ENOTDIR;
    const std::string shortName = entry->shortName;
    return command(place.folder, -ENOTEMPTY, [&](DeviceContext* link) {
        return QVRemoveDirectory(link, shortName.c_str(), STORE_MAIN);
    });
}

}  // namespace vox::voxctl::mount
