#include "tools/voxctl/mount/fuse_loop.h"

#define FUSE_USE_VERSION 35
#include <fuse.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <thread>

#include "platform/devio/device_notifications.h"

namespace vox::voxctl::mount {

namespace {

using namespace std::chrono_literals;

// One call at a time reaches the recorder: the loop's, or the check that a
// device-change notice asks for.
std::mutex recorderCalls;

MountedRecorder& mounted() {
    return *static_cast<MountedRecorder*>(fuse_get_context()->private_data);
}

template <typename Call>
int guarded(Call&& call) {
    std::lock_guard lock(recorderCalls);
    if (mounted().gone()) return -ENODEV;
    const int result = call(mounted());
    // A call that found the recorder gone ends the loop once answered.
    if (mounted().gone()) fuse_exit(fuse_get_context()->fuse);
    return result;
}

void* init(fuse_conn_info*, fuse_config* config) {
    // Attributes come from the kept listings, which every change of ours
    // drops; the kernel may keep them for a moment, never negative lookups.
    config->entry_timeout = 1;
    config->attr_timeout = 1;
    config->negative_timeout = 0;
    config->kernel_cache = 0;
    config->nullpath_ok = 0;
    return fuse_get_context()->private_data;
}

int getattr(const char* path, struct stat* attributes, fuse_file_info*) {
    return guarded([&](MountedRecorder& fs) { return fs.getattr(path, *attributes); });
}

int readdir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
            fuse_readdir_flags) {
    return guarded([&](MountedRecorder& fs) {
        fill(buffer, ".", nullptr, 0, fuse_fill_dir_flags{});
        fill(buffer, "..", nullptr, 0, fuse_fill_dir_flags{});
        // Every entry with its attributes, so that a listing asks nothing more.
        return fs.readdir(path, [&](const std::string& name, const struct stat& attributes) {
            fill(buffer, name.c_str(), &attributes, 0, FUSE_FILL_DIR_PLUS);
        });
    });
}

int statfs(const char*, struct statvfs* out) {
    return guarded([&](MountedRecorder& fs) { return fs.statfs(*out); });
}

int open(const char* path, fuse_file_info* info) {
    return guarded([&](MountedRecorder& fs) { return fs.open(path, info->flags, info->fh); });
}

int create(const char* path, mode_t, fuse_file_info* info) {
    return guarded([&](MountedRecorder& fs) { return fs.create(path, info->fh); });
}

int read(const char*, char* buffer, size_t size, off_t offset, fuse_file_info* info) {
    return guarded([&](MountedRecorder& fs) { return fs.read(info->fh, buffer, size, offset); });
}

int write(const char*, const char* buffer, size_t size, off_t offset, fuse_file_info* info) {
    return guarded([&](MountedRecorder& fs) { return fs.write(info->fh, buffer, size, offset); });
}

int truncate(const char* path, off_t size, fuse_file_info* info) {
    return guarded([&](MountedRecorder& fs) {
        return fs.truncate(path, size, info != nullptr ? &info->fh : nullptr);
    });
}

int flush(const char*, fuse_file_info* info) {
    return guarded([&](MountedRecorder& fs) { return fs.flush(info->fh); });
}

int fsync(const char*, int, fuse_file_info* info) {
    return guarded([&](MountedRecorder& fs) { return fs.flush(info->fh); });
}

int release(const char*, fuse_file_info* info) {
    // Runs even once the recorder is gone: it only lets go of PC files.
    std::lock_guard lock(recorderCalls);
    return mounted().release(info->fh);
}

int unlink(const char* path) {
    return guarded([&](MountedRecorder& fs) { return fs.unlink(path); });
}

int mkdir(const char* path, mode_t) {
    return guarded([&](MountedRecorder& fs) { return fs.mkdir(path); });
}

int rmdir(const char* path) {
    return guarded([&](MountedRecorder& fs) { return fs.rmdir(path); });
}

int rename(const char* from, const char* to, unsigned flags) {
    return guarded([&](MountedRecorder& fs) { return fs.rename(from, to, flags); });
}

// The recorder keeps no owners or modes: these are taken without effect,
// so that cp -p and rsync -a go through.
int chmod(const char*, mode_t, fuse_file_info*) {
    return 0;
}
int chown(const char*, uid_t, gid_t, fuse_file_info*) {
    return 0;
}
int utimens(const char* path, const timespec times[2], fuse_file_info*) {
    return guarded([&](MountedRecorder& fs) { return fs.utimens(path, times); });
}

fuse_operations operations() {
    fuse_operations ops{};
    ops.init = init;
    ops.getattr = getattr;
    ops.readdir = readdir;
    ops.statfs = statfs;
    ops.open = open;
    ops.create = create;
    ops.read = read;
    ops.write = write;
    ops.truncate = truncate;
    ops.flush = flush;
    ops.fsync = fsync;
    ops.release = release;
    ops.unlink = unlink;
    ops.mkdir = mkdir;
    ops.rmdir = rmdir;
    ops.rename = rename;
    ops.chmod = chmod;
    ops.chown = chown;
    ops.utimens = utimens;
    return ops;
}

void wakeLoop(int) {}

// Looks again on every device-change notice; once the recorder no longer
// answers, ends the loop.
class GoneWatch {
  public:
    GoneWatch(MountedRecorder& recorder, fuse* session, pthread_t loop)
        : recorder_(recorder), session_(session), loop_(loop) {
        subscription_ = devio::subscribeDeviceChanges([this](unsigned) {
            std::lock_guard lock(mutex_);
            noticed_ = true;
            wake_.notify_one();
        });
        thread_ = std::thread([this] { watch(); });
    }
    ~GoneWatch() {
        devio::unsubscribeDeviceChanges(subscription_);
        {
            std::lock_guard lock(mutex_);
            loopEnded_ = true;
            wake_.notify_one();
        }
        thread_.join();
    }
    void loopEnded() {
        std::lock_guard lock(mutex_);
        loopEnded_ = true;
        wake_.notify_one();
    }

  private:
    void watch() {
        std::unique_lock lock(mutex_);
        while (!loopEnded_) {
            wake_.wait(lock, [this] { return noticed_ || loopEnded_; });
            if (loopEnded_) return;
            noticed_ = false;
            lock.unlock();
            checkRecorder();
            lock.lock();
            if (!recorder_.gone()) continue;
            // The loop waits in a read of the kernel's queue: a signal
            // without restart ends that read, and the loop sees its end.
            fuse_exit(session_);
            while (!loopEnded_) {
                pthread_kill(loop_, SIGUSR1);
                wake_.wait_for(lock, 50ms);
            }
        }
    }
    void checkRecorder() {
        std::lock_guard calls(recorderCalls);
        if (!recorder_.gone()) recorder_.checkStillThere();
    }

    MountedRecorder& recorder_;
    fuse* session_;
    pthread_t loop_;
    int subscription_ = 0;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool noticed_ = false;
    bool loopEnded_ = false;
    std::thread thread_;
};

}  // namespace

MountEnd serve(MountedRecorder& recorder, const std::string& mountPoint,
               const std::function<void()>& ready, std::string& error) {
    struct sigaction wake {};
    wake.sa_handler = wakeLoop;
    sigemptyset(&wake.sa_mask);
    sigaction(SIGUSR1, &wake, nullptr);

    char program[] = "voxctl";
    char option[] = "-o";
    char settings[] = "fsname=voxerin,subtype=voxerin";
    char* argv[] = {program, option, settings, nullptr};
    fuse_args args = FUSE_ARGS_INIT(3, argv);
    const fuse_operations ops = operations();
    fuse* session = fuse_new(&args, &ops, sizeof ops, &recorder);
    // fuse_new may have copied the arguments to add its own; they are no
    // longer needed once the session is made.
    fuse_opt_free_args(&args);
    if (session == nullptr) {
        error = "the FUSE session could not be made";
        return MountEnd::Failed;
    }
    if (fuse_mount(session, mountPoint.c_str()) != 0) {
        fuse_destroy(session);
        error = mountPoint + ": could not be mounted (is /dev/fuse there, and fusermount3?)";
        return MountEnd::Failed;
    }
    fuse_set_signal_handlers(fuse_get_session(session));
    ready();
    {
        GoneWatch watch(recorder, session, pthread_self());
        fuse_loop(session);
        watch.loopEnded();
    }
    fuse_remove_signal_handlers(fuse_get_session(session));
    fuse_unmount(session);
    fuse_destroy(session);
    {
        std::lock_guard lock(recorderCalls);
        recorder.recoverUnsentSpools();
    }
    return recorder.gone() ? MountEnd::RecorderGone : MountEnd::Unmounted;
}

}  // namespace vox::voxctl::mount
