// mount and unmount: the recorder as a folder of the PC's file system, for
// file managers, shells and backup tools.

#include <fcntl.h>
#include <sys/wait.h>
#include <syslog.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/session/mount_lock.h"
#include "platform/devio/device_notifications.h"
#include "tools/voxctl/command_error.h"
#include "tools/voxctl/commands.h"
#include "tools/voxctl/mount/fuse_loop.h"
#include "tools/voxctl/mount/mount_cache.h"
#include "tools/voxctl/mount/mounted_recorder.h"
#include "tools/voxctl/recorder_session.h"
#include "tools/voxctl/terminal.h"

namespace vox::voxctl {

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

struct MountOptions {
    std::string folder;
    bool foreground = false;
    bool watch = false;
    std::uint64_t cacheMegabytes = 512;
};

std::string mountPointOf(const std::string& given) {
    if (!given.empty()) return fs::absolute(given).lexically_normal().string();
    return session::runtimeFolder() + "/recorder";
}

// Tells the process that started a detached mount how it went.
class StartReport {
  public:
    explicit StartReport(int fd) : fd_(fd) {}
    ~StartReport() {
        if (fd_ >= 0) ::close(fd_);
    }
    void ready() { send(""); }
    void failed(const CommandError& error) {
        send(std::to_string(error.status()) + " " + error.what());
    }

  private:
    void send(const std::string& text) {
        if (fd_ < 0) return;
        const std::string line = text + "\n";
        [[maybe_unused]] const ssize_t written = ::write(fd_, line.data(), line.size());
        ::close(fd_);
        fd_ = -1;
    }
    int fd_;
};

// Keeps the mount's lock for as long as the recorder is mounted.
struct HeldLock {
    explicit HeldLock(const std::string& mountPoint) {
        if (!session::writeMountLock(mountPoint))
            throw CommandError(kExitPcFile, session::mountLockPath() + ": " + std::strerror(errno));
    }
    ~HeldLock() { session::removeMountLock(); }
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;
};

// Waits for device-change notices until a recorder answers again.
std::unique_ptr<RecorderSession> awaitRecorder() {
    std::mutex mutex;
    std::condition_variable changed;
    bool noticed = false;
    const int subscription = devio::subscribeDeviceChanges([&](unsigned) {
        std::lock_guard lock(mutex);
        noticed = true;
        changed.notify_one();
    });
    std::unique_ptr<RecorderSession> session;
    while (!session) {
        {
            std::unique_lock lock(mutex);
            // Also looks now and then, for a notice that came before the
            // subscription.
            changed.wait_for(lock, 1s, [&] { return noticed; });
            noticed = false;
        }
        try {
            session = std::make_unique<RecorderSession>();
        } catch (const CommandError&) {
        }
    }
    devio::unsubscribeDeviceChanges(subscription);
    return session;
}

// Mounts until the mount point is unmounted; with --watch, mounts again
// each time the recorder comes back after going away.
void serveMounts(const MountOptions& options, const std::string& mountPoint, StartReport& report) {
    auto session = std::make_unique<RecorderSession>();
    for (;;) {
        mount::MountEnd end;
        {
            // Let go of last, once the cache is gone: unmount waits for that.
            const HeldLock lock(mountPoint);
            mount::MountCache cache(options.cacheMegabytes << 20);
            if (!cache.usable()) throw CommandError(kExitPcFile, cache.error());
            mount::MountedRecorder recorder(*session, cache);
            std::string error;
            end = mount::serve(
                recorder, mountPoint, [&] { report.ready(); }, error);
            if (end == mount::MountEnd::Failed) throw CommandError(kExitPcFile, error);
        }
        session.reset();
        if (end != mount::MountEnd::RecorderGone) return;
        std::cerr << "voxctl mount: the recorder went away; " << mountPoint << " is unmounted"
                  << std::endl;
        if (!options.watch) throw CommandError(kExitUsbFailed, "the recorder went away");
        session = awaitRecorder();
        std::cerr << "voxctl mount: the recorder is back; mounting " << mountPoint << " again"
                  << std::endl;
    }
}

// Runs `serveMounts` in a child that leaves the terminal's session; this
// process returns once the mount is ready, or with the child's error.
void detachAndServe(const MountOptions& options, const std::string& mountPoint) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        throw CommandError(kExitInternal, std::string("pipe: ") + std::strerror(errno));
    std::cout.flush();
    const pid_t child = ::fork();
    if (child < 0) throw CommandError(kExitInternal, std::string("fork: ") + std::strerror(errno));
    if (child == 0) {
        ::close(pipeEnds[0]);
        ::setsid();
        silenceResults();
        const int nowhere = ::open("/dev/null", O_RDONLY);
        if (nowhere >= 0) ::dup2(nowhere, STDIN_FILENO);
        StartReport report(pipeEnds[1]);
        int status = kExitOk;
        try {
            serveMounts(options, mountPoint, report);
        } catch (const CommandError& error) {
            report.failed(error);
            std::cerr << "voxctl mount: " << error.what() << std::endl;
            status = error.status();
        }
        std::_Exit(status);
    }
    ::close(pipeEnds[1]);
    std::string reply;
    char buffer[512];
    ssize_t got;
    while ((got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0) reply.append(buffer, got);
    ::close(pipeEnds[0]);
    if (reply == "\n") return;
    if (reply.empty()) {
        int status = 0;
        ::waitpid(child, &status, 0);
        throw CommandError(kExitInternal, "the mount ended before it was ready");
    }
    const std::size_t space = reply.find(' ');
    const int status = std::atoi(reply.c_str());
    reply.pop_back();
    throw CommandError(status > 0 ? static_cast<ExitStatus>(status) : kExitInternal,
                       reply.substr(space + 1));
}

void mountRecorder(const MountOptions& options) {
    const std::string mountPoint = mountPointOf(options.folder);
    if (auto holder = session::otherMountHolder())
        throw CommandError(kExitBusy, session::mountedBusyText(*holder));
    std::error_code error;
    if (options.folder.empty()) fs::create_directories(mountPoint, error);
    if (!fs::is_directory(mountPoint, error))
        throw CommandError(kExitPcFile, mountPoint + " is not a folder");
    ::openlog("voxctl-mount", LOG_PID, LOG_USER);
    if (!options.foreground) return detachAndServe(options, mountPoint);
    StartReport report(-1);
    serveMounts(options, mountPoint, report);
}

void unmountRecorder(const std::string& given) {
    const std::string mountPoint = mountPointOf(given);
    const std::optional<session::MountHolder> holder = session::otherMountHolder();
    const pid_t child = ::fork();
    if (child == 0) {
        ::execlp("fusermount3", "fusermount3", "-u", mountPoint.c_str(), nullptr);
        std::_Exit(127);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        throw CommandError(kExitPcFile, mountPoint + " could not be unmounted");
    // The mount's process lets go of the recorder and its cache on its way
    // out: the next command may need either.
    if (!holder || holder->mountPoint != mountPoint) return;
    for (int waited = 0; waited < 200 && session::processRunning(holder->pid); ++waited)
        std::this_thread::sleep_for(50ms);
}

}  // namespace

void addMountCommands(CLI::App& app) {
    auto options = std::make_shared<MountOptions>();
    CLI::App* mount =
        app.add_subcommand("mount",
                           "Mount the recorder as a folder: mount [DIR] (DIR defaults to "
                           "$XDG_RUNTIME_DIR/voxerin/recorder)");
    mount->add_option("DIR", options->folder, "Mount point");
    mount->add_flag("-f,--foreground", options->foreground,
                    "Stay in the foreground until unmounted (for services)");
    mount->add_flag("--watch", options->watch,
                    "When the recorder goes away, wait for it and mount it again");
    mount
        ->add_option("--cache-size", options->cacheMegabytes,
                     "Megabytes of fetched recorder files kept while mounted")
        ->capture_default_str();
    mount->callback([options] { mountRecorder(*options); });

    auto unmounted = std::make_shared<std::string>();
    CLI::App* unmount = app.add_subcommand("unmount", "Unmount the recorder: unmount [DIR]");
    unmount->add_option("DIR", *unmounted, "Mount point");
    unmount->callback([unmounted] { unmountRecorder(*unmounted); });
}

}  // namespace vox::voxctl
