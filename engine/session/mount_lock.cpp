#include "engine/session/mount_lock.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "engine/rules/rule_texts.h"

namespace vox::session {

namespace {

std::optional<MountHolder> readLock() {
    std::ifstream in(mountLockPath());
    MountHolder holder;
    if (!(in >> holder.pid) || holder.pid <= 0) return std::nullopt;
    in.ignore(1);
    std::getline(in, holder.mountPoint);
    return holder;
}

}  // namespace

bool processRunning(long pid) {
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM) return false;
    // A process that has ended but was not yet waited for holds nothing,
    // once the last of its threads is gone (they close its files).
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    bool zombie = false;
    int threads = 1;
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("State:", 0) == 0) zombie = line.find('Z') != std::string::npos;
        if (line.rfind("Threads:", 0) == 0) threads = std::atoi(line.c_str() + 8);
    }
    return !zombie || threads > 1;
}

std::string runtimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') return std::string(runtime) + "/voxerin";
    return "/tmp/voxerin-" + std::to_string(::getuid());
}

std::string mountLockPath() {
    return runtimeFolder() + "/mount.lock";
}

std::optional<MountHolder> otherMountHolder() {
    std::optional<MountHolder> holder = readLock();
    if (!holder || holder->pid == ::getpid() || !processRunning(holder->pid)) return std::nullopt;
    return holder;
}

bool writeMountLock(const std::string& mountPoint) {
    const std::string folder = runtimeFolder();
    // The runtime folder is the user's alone; the fallback under /tmp is
    // made private to the user.
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    std::string temporary = folder + "/.mount.lock.XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return false;
    const std::string text = std::to_string(::getpid()) + "\n" + mountPoint + "\n";
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    if (!written || std::rename(temporary.c_str(), mountLockPath().c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

void removeMountLock() {
    const std::optional<MountHolder> holder = readLock();
    if (holder && holder->pid == ::getpid()) ::unlink(mountLockPath().c_str());
}

std::string mountedBusyText(const MountHolder& holder) {
    std::ostringstream text;
    text << rules::texts::kBusy << " The recorder is mounted on " << holder.mountPoint
         << " by voxctl mount (process " << holder.pid << ").";
    return text.str();
}

}  // namespace vox::session
