#include "platform/stack/simulator_cable.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string_view>

namespace vox::stack {
namespace {

constexpr std::string_view kUnpluggedText = "unplugged";
constexpr std::string_view kPluggedText = "plugged";

bool writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

std::filesystem::path cableFileOf(const std::filesystem::path& image) {
    std::filesystem::path cable = image;
    cable += ".cable";
    return cable;
}

CableState readCableState(const std::filesystem::path& image) {
    std::ifstream file(cableFileOf(image));
    std::string word;
    file >> word;
    return word == kUnpluggedText ? CableState::Unplugged : CableState::Plugged;
}

bool writeCableState(const std::filesystem::path& image, CableState state, std::string& error) {
    const std::filesystem::path target = cableFileOf(image);
    std::filesystem::path temporary = target;
    temporary += ".tmp-" + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot write " + target.string() + ": " + std::strerror(errno);
        return false;
    }
    const std::string text =
        std::string(state == CableState::Unplugged ? kUnpluggedText : kPluggedText) + "\n";
    int failure = writeAll(fd, text) ? 0 : (errno != 0 ? errno : EIO);
    if (::close(fd) != 0 && failure == 0) failure = errno;
    if (failure == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) failure = errno;
    if (failure != 0) {
        ::unlink(temporary.c_str());
        error = "cannot write " + target.string() + ": " + std::strerror(failure);
        return false;
    }
    return true;
}

CableWatch::CableWatch(const std::filesystem::path& image, std::function<void(CableState)> changed)
    : image_(image),
      cableName_(cableFileOf(image).filename().string()),
      changed_(std::move(changed)) {
    std::filesystem::path folder = image_.parent_path();
    if (folder.empty()) folder = ".";
    // The watch is on the folder, since the file is replaced by a rename;
    // it is set up before the state is read so that no change falls between.
    inotify_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (inotify_ >= 0 && ::inotify_add_watch(inotify_, folder.c_str(),
                                             IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE) < 0) {
        ::close(inotify_);
        inotify_ = -1;
    }
    if (inotify_ >= 0) stop_ = ::eventfd(0, EFD_CLOEXEC);
    if (inotify_ < 0 || stop_ < 0) {
        std::fprintf(stderr, "VXR250_SIMULATOR: cannot watch %s for plugging: %s\n", folder.c_str(),
                     std::strerror(errno));
        if (inotify_ >= 0) ::close(inotify_);
        inotify_ = -1;
    }
    initial_ = readCableState(image_);
    if (inotify_ >= 0) thread_ = std::thread([this] { run(); });
}

CableWatch::~CableWatch() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        (void)!::write(stop_, &one, sizeof one);
        thread_.join();
    }
    if (stop_ >= 0) ::close(stop_);
    if (inotify_ >= 0) ::close(inotify_);
}

// Reads what inotify has queued; true when any of it concerns the cable file.
bool CableWatch::cableFileTouched() {
    alignas(inotify_event) char buffer[sizeof(inotify_event) + NAME_MAX + 1];
    bool touched = false;
    for (;;) {
        const ssize_t length = ::read(inotify_, buffer, sizeof buffer);
        if (length <= 0) return touched;  // drained (EAGAIN) or failed
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->len > 0 && cableName_ == event->name) touched = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

void CableWatch::run() {
    CableState last = initial_;
    pollfd watched[2] = {{stop_, POLLIN, 0}, {inotify_, POLLIN, 0}};
    for (;;) {
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (watched[0].revents != 0) return;
        if (!cableFileTouched()) continue;
        const CableState now = readCableState(image_);
        if (now == last) continue;
        last = now;
        changed_(now);
    }
}

}  // namespace vox::stack
