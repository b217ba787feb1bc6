// The mount's writes and renames: spools sent through the checked copy on
// flush and fsync, renames through the recorder's own rename or the safe
// replacement, and the recovery of spools that could not be sent.

#include <fcntl.h>
#include <linux/fs.h>
#include <syslog.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <span>
#include <thread>

#include "engine/rules/download_plan.h"
#include "engine/rules/upload_plan.h"
#include "engine/session/name_clash.h"
#include "engine/session/recorder_names.h"
#include "engine/session/recorder_replacement.h"
#include "engine/session/session_timing.h"
#include "tools/voxctl/command_error.h"
#include "tools/voxctl/mount/mounted_recorder.h"
#include "tools/voxctl/recorder_fetch.h"
#include "tools/voxctl/transfer_runner.h"

namespace vox::voxctl::mount {

namespace {

namespace fs = std::filesystem;

bool copyWhole(int from, int to) {
    char buffer[1 << 16];
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(from, buffer, sizeof buffer, at);
        if (got < 0) return false;
        if (got == 0) return true;
        if (::pwrite(to, buffer, static_cast<std::size_t>(got), at) != got) return false;
        at += got;
    }
}

}  // namespace

void tell(const std::string& line) {
    std::cerr << "voxctl mount: " << line << std::endl;
    ::syslog(LOG_WARNING, "%s", line.c_str());
}

int nameErrno(const session::UnstorableName& name) {
    return name.problem == session::NameProblem::TooLong ? -ENAMETOOLONG : -EINVAL;
}

int MountedRecorder::startSpool(OpenFile& file, bool withContent) {
    const int spool = cache_.newFile(file.spoolPath);
    if (spool < 0) return -errno;
    file.spool = spool;
    if (!withContent) return 0;
    if (const int error = fetchCopy(file); error != 0) return error;
    return copyWhole(file.copy, file.spool) ? 0 : -EIO;
}

int MountedRecorder::roomFor(const OpenFile& file, std::uint64_t bytes) {
    int error = 0;
    const rules::RecorderListing* files = listing(file.place.folder, error);
    if (files == nullptr) return error;
    // The rules' own free-space and folder checks, asked before the data is
    // taken rather than only when it is sent.
    const rules::PcFile planned{file.place.name, bytes == 0 ? 1 : bytes, false};
    const rules::DownloadPlan plan = rules::planDownload(
        *files, file.place.folder, std::span(&planned, 1), [](const std::string&) { return true; });
    if (plan.outcome == rules::PlanOutcome::Ready) return 0;
    const int refusal = refusalErrno(plan.message);
    return refusal == -ENOSPC ? refusal : 0;
}

int MountedRecorder::open(const char* path, int flags, std::uint64_t& handle) {
    OpenFile file(placeOf(path), path);
    if (file.place.kind != TreePlace::Kind::Entry)
        return (flags & O_ACCMODE) == O_RDONLY ? 0 : -EISDIR;
    if (localAt(file.place) != nullptr)
        return openLocal(std::move(file), (flags & O_ACCMODE) != O_RDONLY && (flags & O_TRUNC) != 0,
                         handle);
    int error = 0;
    const rules::ListedFile* entry = findEntry(file.place, error);
    if (entry == nullptr) return error;
    if ((flags & O_ACCMODE) != O_RDONLY) {
        const bool truncated = (flags & O_TRUNC) != 0;
        if (const int failed = startSpool(file, !truncated); failed != 0) {
            if (file.spool >= 0) ::close(file.spool);
            if (file.copy >= 0) ::close(file.copy);
            ::unlink(file.spoolPath.c_str());
            return failed;
        }
        file.dirty = truncated;
    }
    handle = addHandle(std::move(file));
    return 0;
}

int MountedRecorder::create(const char* path, std::uint64_t& handle) {
    OpenFile file(placeOf(path), path);
    if (file.place.kind != TreePlace::Kind::Entry) return -EPERM;
    const std::string& name = file.place.name;
    if (rules::unsafeNameRefusal(name)) return -EINVAL;
    if (keptLocally(name)) return openLocal(std::move(file), true, handle);
    if (rules::extensionRefusal(file.place.folder, rules::pcExtension(name))) return -EPERM;
    int error = 0;
    const rules::RecorderListing* files = listing(file.place.folder, error);
    if (files == nullptr) return error;
    if (auto unstorable = session::unstorableName(name, session_.versionByte()))
        return nameErrno(*unstorable);
    if (session::shortNameClashText(*files, name, session_.versionByte())) return -EEXIST;
    if (const int full = roomFor(file, 1); full != 0) return full;
    if (const int failed = startSpool(file, false); failed != 0) return failed;
    file.dirty = true;
    handle = addHandle(std::move(file));
    return 0;
}

int MountedRecorder::write(std::uint64_t handle, const char* buffer, std::size_t size,
                           off_t offset) {
    OpenFile* file = handleOf(handle);
    if (file == nullptr || file->spool < 0) return -EBADF;
    if (file->lost || gone()) return gone() ? -ENODEV : -EIO;
    struct stat spool {};
    if (::fstat(file->spool, &spool) != 0) return -errno;
    const std::uint64_t end = static_cast<std::uint64_t>(offset) + size;
    if (end > static_cast<std::uint64_t>(spool.st_size))
        if (const int full = roomFor(*file, end); full != 0) {
            if (LocalFile* local = file->local ? localAt(file->place) : nullptr)
                local->refusal = full;
            return file->refusal = full;
        }
    const ssize_t written = ::pwrite(file->spool, buffer, size, offset);
    if (written < 0) return -errno;
    if (file->local) shownTimes_.erase(copyKey(file->place));
    file->dirty = true;
    return static_cast<int>(written);
}

int MountedRecorder::truncate(const char* path, off_t size, const std::uint64_t* handle) {
    OpenFile* file = handle != nullptr ? handleOf(*handle) : nullptr;
    if (file == nullptr)
        for (auto& [open, candidate] : files_)
            if (candidate.spool >= 0 && candidate.path == path) file = &candidate;
    if (file != nullptr) {
        if (const int full = roomFor(*file, static_cast<std::uint64_t>(size)); full != 0)
            return full;
        if (::ftruncate(file->spool, size) != 0) return -errno;
        file->dirty = true;
        return 0;
    }
    // A file not open for writing is changed and sent at once.
    std::uint64_t opened = 0;
    if (const int error = open(path, O_RDWR, opened); error != 0) return error;
    int result = ::ftruncate(handleOf(opened)->spool, size) == 0 ? 0 : -errno;
    if (result == 0) {
        handleOf(opened)->dirty = true;
        result = flush(opened);
    }
    release(opened);
    return result;
}

int MountedRecorder::flush(std::uint64_t handle) {
    OpenFile* file = handleOf(handle);
    if (file == nullptr) return -EBADF;
    if (!file->dirty) return 0;
    if (file->local) {
        // Kept on the PC until it is renamed to a name the recorder stores.
        file->dirty = false;
        return file->refusal;
    }
    if (file->refusal != 0) {
        file->dirty = false;
        return file->refusal;
    }
    return send(*file);
}

int MountedRecorder::send(OpenFile& file) {
    struct stat spool {};
    if (::fstat(file.spool, &spool) != 0) return -errno;
    const int result =
        upload(file.place, file.spoolPath, static_cast<std::uint64_t>(spool.st_size));
    if (result != 0) recover(file, std::strerror(-result));
    file.dirty = false;
    return result;
}

int MountedRecorder::upload(const TreePlace& place, const std::string& pcPath,
                            std::uint64_t bytes) {
    changed();
    cache_.forget(copyKey(place));
    shownTimes_.erase(copyKey(place));
    int error = 0;
    const rules::RecorderListing* files = listing(place.folder, error);
    if (files == nullptr) return error;
    const rules::RecorderListing fresh = *files;
    const std::uint8_t version = session_.versionByte();
    if (auto unstorable = session::unstorableName(place.name, version))
        return nameErrno(*unstorable);
    // A file replaced stays whole until its successor has arrived under a
    // temporary name and read back the same.
    const rules::ListedFile* existing = findEntry(place, error);
    std::optional<rules::ReplacedFile> replaced;
    if (existing != nullptr)
        replaced = rules::ReplacedFile{existing->shortName,
                                       static_cast<std::size_t>(existing - files->files.data())};
    const TreePlace sent{place.kind, place.folder,
                         replaced ? session::temporaryRecorderName(fresh, place.name) : place.name};
    if (session::shortNameClashText(fresh, sent.name, version)) return -EEXIST;
    if (const int failed = sendChecked(fresh, sent, pcPath, bytes); failed != 0) return failed;
    if (!replaced) return 0;
    error = 0;
    const rules::ListedFile* arrived = findEntry(sent, error);
    if (arrived == nullptr) return error == -ENOENT ? -EIO : error;
    const std::optional<std::string> failure = session::completeReplacement(
        session_.link(), {rules::folderListingName(place.folder), *replaced},
        rules::entryName(*arrived), place.name);
    changed();
    if (!failure) return 0;
    tell(*failure);
    return deviceError();
}

int MountedRecorder::sendChecked(const rules::RecorderListing& fresh, const TreePlace& place,
                                 const std::string& pcPath, std::uint64_t bytes) {
    // The sending worker names the recorder file after the PC file.
    std::optional<session::TemporarySendName> named =
        session::TemporarySendName::make(pcPath, place.name);
    if (!named) return -EIO;
    const rules::PcFile sent{named->path(), bytes, false};
    const rules::DownloadPlan plan = rules::planDownload(fresh, place.folder, std::span(&sent, 1),
                                                         [](const std::string&) { return false; });
    if (plan.outcome != rules::PlanOutcome::Ready) {
        tell(place.name + ": " + plan.message);
        return plan.outcome == rules::PlanOutcome::Declined ? -EEXIST : refusalErrno(plan.message);
    }
    session::SessionFile file;
    file.transfer = {session::TransferFile::Direction::ToRecorder, named->path(), {}, {}};
    file.folder = place.folder;
    for (const rules::DownloadAction& action : plan.actions) file.blocks += action.blocks;
    session::SessionPlan sending{session::TransferFile::Direction::ToRecorder, {}, file.blocks};
    sending.files.push_back(std::move(file));
    try {
        // The recorder names the file sent in the folder listed last.
        session_.ensureListed(place.folder);
        runPlan(session_.link(), std::move(sending), place.folder, place.name);
    } catch (const CommandError& failure) {
        changed();
        tell(place.name + ": " + failure.what());
        return errorOf(failure);
    }
    changed();
    // The copy counts as sent once it reads back the same; one that does
    // not is deleted, so that no wrong copy stays behind looking right.
    int error = 0;
    const rules::ListedFile* arrived = findEntry(place, error);
    if (arrived == nullptr) return error == -ENOENT ? -EIO : error;
    const std::string shortName = arrived->shortName;
    try {
        if (readsBackTheSame(session_, place.folder, shortName, pcPath)) return 0;
    } catch (const CommandError& failure) {
        return errorOf(failure);
    }
    const bool removed = command(place.folder, -EACCES, [&](DeviceContext* link) {
                             return QVDeleteFile(link, shortName.c_str(), STORE_MAIN);
                         }) == 0;
    tell(place.name + ": the recorder's copy did not read back the same" +
         (removed ? "; it was deleted" : " and could not be deleted"));
    return -EIO;
}

void MountedRecorder::recover(OpenFile& file, const std::string& why) {
    std::error_code error;
    fs::create_directories(recoveryFolder(), error);
    std::string kept = recoveryFolder() + "/" + file.place.name;
    // Never over an earlier recovered file.
    for (int number = 1; fs::exists(kept, error); ++number)
        kept = recoveryFolder() + "/" + file.place.name + "." + std::to_string(number);
    if (!file.spoolPath.empty() && std::rename(file.spoolPath.c_str(), kept.c_str()) != 0) {
        const int out = ::open(kept.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        const bool copied = out >= 0 && copyWhole(file.spool, out) && ::fsync(out) == 0;
        if (out >= 0) ::close(out);
        if (!copied) {
            tell("could not send " + file.path + " (" + why + ") and could not keep it in " +
                 recoveryFolder() + "; it stays in " + file.spoolPath);
            file.lost = true;
            file.spoolPath.clear();
            return;
        }
        ::unlink(file.spoolPath.c_str());
    }
    tell("could not send " + file.path + " (" + why + "); what was written is kept in " + kept);
    file.spoolPath.clear();
    file.lost = true;
}

void MountedRecorder::recoverUnsentSpools() {
    for (auto& [handle, file] : files_)
        if (file.dirty && file.spool >= 0 && !file.local) {
            recover(file, "the recorder went away");
            file.dirty = false;
        }
    settleLocalFiles();
}

int MountedRecorder::moveAcross(const TreePlace& from, const rules::ListedFile& source,
                                const TreePlace& to) {
    OpenFile reading(from, {});
    const std::string shortName = source.shortName;
    const std::uint64_t bytes = source.size;
    if (const int error = fetchCopy(reading); error != 0) return error;
    keepShownTime(from, to);
    ::close(reading.copy);
    // Nothing is fetched while it is sent, so the cache keeps it.
    const std::optional<std::string> copyPath = cache_.copyOf(copyKey(from));
    if (!copyPath) return -EIO;
    const int sent = upload(to, *copyPath, bytes);
    if (sent != 0) return sent;
    cache_.forget(copyKey(from));
    return command(from.folder, -EACCES, [&](DeviceContext* link) {
        return QVDeleteFile(link, shortName.c_str(), STORE_MAIN);
    });
}

void MountedRecorder::keepShownTime(const TreePlace& from, const TreePlace& to) {
    const auto shown = shownTimes_.find(copyKey(from));
    if (shown == shownTimes_.end()) {
        shownTimes_.erase(copyKey(to));
        return;
    }
    const struct timespec time = shown->second;
    shownTimes_.erase(shown);
    shownTimes_[copyKey(to)] = time;
}

int MountedRecorder::rename(const char* fromPath, const char* toPath, unsigned flags) {
    const TreePlace from = placeOf(fromPath);
    const TreePlace to = placeOf(toPath);
    if (flags & RENAME_EXCHANGE) return -EINVAL;
    if (from.kind != TreePlace::Kind::Entry || to.kind != TreePlace::Kind::Entry) return -EPERM;
    if (localAt(from) != nullptr) return renameLocal(from, to, toPath, flags);
    int error = 0;
    const rules::ListedFile* found = findEntry(from, error);
    if (found == nullptr) return error;
    const rules::ListedFile source = *found;
    if (from.folder == to.folder && from.name == to.name) return 0;
    if (rules::unsafeNameRefusal(to.name)) return -EINVAL;
    if (!rules::isFolder(source) && rules::extensionRefusal(to.folder, rules::pcExtension(to.name)))
        return -EPERM;
    if (auto unstorable = session::unstorableName(to.name, session_.versionByte()))
        return nameErrno(*unstorable);

    error = 0;
    const rules::ListedFile* target = findEntry(to, error);
    if (target == nullptr && error != -ENOENT) return error;
    if (target != nullptr && (flags & RENAME_NOREPLACE)) return -EEXIST;
    if (target != nullptr && rules::isFolder(*target)) return -EISDIR;
    if (from.folder != to.folder) {
        if (rules::isFolder(source)) return -EXDEV;
        return moveAcross(from, source, to);
    }
    cache_.forget(copyKey(from));
    cache_.forget(copyKey(to));
    keepShownTime(from, to);
    if (target != nullptr) {
        // The file renamed is whole on the recorder already: it takes the
        // old one's place as a replacement's new copy does.
        const rules::RecorderListing* files = listing(to.folder, error);
        if (files == nullptr) return error;
        const std::size_t row = static_cast<std::size_t>(target - files->files.data());
        const session::Replacement replacement{rules::folderListingName(to.folder),
                                               {target->shortName, row}};
        const std::optional<std::string> failure = session::completeReplacement(
            session_.link(), replacement, rules::entryName(source), to.name);
        changed();
        if (!failure) return 0;
        tell(*failure);
        return deviceError();
    }
    return command(from.folder, -EACCES, [&](DeviceContext* link) {
        return QVRenameFile(link, source.shortName.c_str(), to.name.c_str(), STORE_MAIN);
    });
}

}  // namespace vox::voxctl::mount
