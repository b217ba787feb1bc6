#pragma once
// The recorder as a file system: every operation of the mount, each
// returning 0 (or a count) or a negative errno, carried out through the
// engine's folder reader, rules and transfer session. Calls come one at a
// time from the mount's loop; the recorder is never asked two things at once.
//
// Listings are read once and kept until the mount changes something.
// Reads are served from a whole copy fetched on the first read. Writes go to
// a spool and are sent on flush (so close() reports the result) or fsync,
// through the checked copy that keeps a replaced file until its successor
// is whole and read back the same; a spool that could not be sent is kept in
// the recovery folder.
//
// A file given a hidden name the recorder cannot store (the temporary files
// of rsync and editors, written and then renamed over the final name) is
// kept on the PC only, while the mount lives: it is sent when it is renamed
// to a name the recorder stores, so that rename() reports the send.

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "engine/rules/recorder_listing.h"
#include "engine/session/recorder_names.h"
#include "tools/voxctl/command_error.h"
#include "tools/voxctl/mount/mount_cache.h"
#include "tools/voxctl/mount/mount_tree.h"
#include "tools/voxctl/recorder_session.h"

namespace vox::voxctl::mount {

using EntryAdder = std::function<void(const std::string& name, const struct stat& attributes)>;

class MountedRecorder {
  public:
    MountedRecorder(RecorderSession& session, MountCache& cache);
    ~MountedRecorder();
    MountedRecorder(const MountedRecorder&) = delete;
    MountedRecorder& operator=(const MountedRecorder&) = delete;

    int getattr(const char* path, struct stat& attributes);
    int readdir(const char* path, const EntryAdder& add);
    int statfs(struct statvfs& out);

    int open(const char* path, int flags, std::uint64_t& handle);
    int create(const char* path, std::uint64_t& handle);
    int read(std::uint64_t handle, char* buffer, std::size_t size, off_t offset);
    int write(std::uint64_t handle, const char* buffer, std::size_t size, off_t offset);
    int truncate(const char* path, off_t size, const std::uint64_t* handle);
    int flush(std::uint64_t handle);
    int release(std::uint64_t handle);

    int unlink(const char* path);
    int mkdir(const char* path);
    int rmdir(const char* path);
    int rename(const char* from, const char* to, unsigned flags);
    // The recorder keeps dates of its own; a time set here is shown while
    // the mount lives, until the file changes, so that tools that compare
    // times (rsync) see what they set.
    int utimens(const char* path, const struct timespec times[2]);

    // The recorder went away: every call from now on fails with ENODEV.
    void markGone() { gone_.store(true); }
    bool gone() const { return gone_.load(); }
    // Asks the recorder whether it still answers; marks it gone when not.
    void checkStillThere() { deviceError(); }
    // Moves every spool not yet sent to the recovery folder, and settles the
    // files kept on the PC only.
    void recoverUnsentSpools();

  private:
    struct OpenFile {
        OpenFile(TreePlace where, std::string inMount)
            : place(std::move(where)), path(std::move(inMount)) {}
        TreePlace place;
        std::string path;  // in the mount
        int copy = -1;     // the fetched copy, read from
        int spool = -1;    // writes go here
        std::string spoolPath;
        bool dirty = false;
        bool local = false;  // the spool is a file kept on the PC only
        bool lost = false;   // the spool could not be sent and was recovered
        // A write refused for want of room: the file is not sent at all, and
        // close() reports the refusal again.
        int refusal = 0;
    };

    // A file of a hidden name the recorder cannot store, kept on the PC.
    struct LocalFile {
        TreePlace place;
        std::string path;  // in the mount
        std::string spoolPath;
        // A write refused for want of room: what is kept is not whole, and
        // is never sent.
        int refusal = 0;
    };

    // The folder's listing, kept until the next change; none when the
    // recorder did not answer (`error` then holds the errno).
    const rules::RecorderListing* listing(rules::RecorderFolder folder, int& error);
    const rules::ListedFile* findEntry(const TreePlace& place, int& error);
    // One of the library's file management commands, run in `folder`: 0
    // when done, `refused` when the recorder said no.
    int command(rules::RecorderFolder folder, int refused,
                const std::function<int(DeviceContext*)>& call);
    void changed();
    // The errno for a failed exchange with the recorder: ENODEV once it is
    // gone, EIO while it still answers.
    int deviceError();
    int errorOf(const CommandError& error);

    std::uint64_t addHandle(OpenFile file);
    OpenFile* handleOf(std::uint64_t handle);
    const OpenFile* pendingAt(const std::string& path) const;
    int fetchCopy(OpenFile& file);
    int startSpool(OpenFile& file, bool withContent);
    int roomFor(const OpenFile& file, std::uint64_t bytes);
    int send(OpenFile& file);
    int upload(const TreePlace& place, const std::string& pcPath, std::uint64_t bytes);
    int sendChecked(const rules::RecorderListing& fresh, const TreePlace& place,
                    const std::string& pcPath, std::uint64_t bytes);
    void recover(OpenFile& file, const std::string& why);
    // Files kept on the PC only.
    bool keptLocally(const std::string& name) const;
    LocalFile* localAt(const TreePlace& place);
    int openLocal(OpenFile file, bool truncated, std::uint64_t& handle);
    int localAttributes(const LocalFile& local, struct stat& attributes) const;
    void addLocalEntries(rules::RecorderFolder folder, const EntryAdder& add) const;
    int renameLocal(const TreePlace& from, const TreePlace& to, const std::string& toPath,
                    unsigned flags);
    int sendLocal(LocalFile& local, const TreePlace& to, const std::string& toPath);
    int unlinkLocal(const TreePlace& place);
    // Open handles of a local file renamed or removed let go of it.
    void detachHandles(const std::string& path);
    void settleLocalFiles();
    // A renamed file keeps the time set on it.
    void keepShownTime(const TreePlace& from, const TreePlace& to);
    int moveAcross(const TreePlace& from, const rules::ListedFile& source, const TreePlace& to);

    RecorderSession& session_;
    MountCache& cache_;
    std::map<rules::RecorderFolder, rules::RecorderListing> listings_;
    std::map<std::uint64_t, OpenFile> files_;
    std::map<std::string, struct timespec> shownTimes_;  // by copy key
    std::map<std::string, LocalFile> localFiles_;        // by copy key
    std::uint64_t nextHandle_ = 1;
    std::atomic<bool> gone_{false};
};

// The errno a refusal of the transfer rules stands for.
int refusalErrno(const std::string& message);
int nameErrno(const session::UnstorableName& name);
// A line on standard error, and in the journal for a mount that detached.
void tell(const std::string& line);

}  // namespace vox::voxctl::mount
