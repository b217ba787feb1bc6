#include "application/core/mount_watcher.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <algorithm>
#include <array>
#include <sstream>

namespace vox::app {

namespace {

std::string decodeEscapes(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const bool octal = field[i] == '\\' && i + 3 < field.size() &&
                           std::all_of(field.begin() + i + 1, field.begin() + i + 4,
                                       [](char c) { return c >= '0' && c <= '7'; });
        if (!octal) {
            out += field[i];
            continue;
        }
        out += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
        i += 3;
    }
    return out;
}

bool contains(const std::vector<MountEntry>& table, const MountEntry& entry) {
    return std::find(table.begin(), table.end(), entry) != table.end();
}

std::string rootOf(const std::string& mountPoint) {
    return mountPoint.ends_with('/') ? mountPoint : mountPoint + '/';
}

}  // namespace

std::vector<MountEntry> parseMountTable(std::string_view text) {
    std::vector<MountEntry> table;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        MountEntry entry;
        if (fields >> entry.device >> entry.mountPoint >> entry.type) {
            entry.device = decodeEscapes(entry.device);
            entry.mountPoint = decodeEscapes(entry.mountPoint);
            table.push_back(std::move(entry));
        }
    }
    return table;
}

bool isPseudoFileSystem(std::string_view type) {
    static constexpr std::array<std::string_view, 26> kPseudo{
        "proc",        "sysfs",          "devtmpfs",   "devpts", "tmpfs",     "ramfs",
        "cgroup",      "cgroup2",        "securityfs", "pstore", "bpf",       "debugfs",
        "tracefs",     "configfs",       "fusectl",    "mqueue", "hugetlbfs", "autofs",
        "binfmt_misc", "efivarfs",       "rpc_pipefs", "nsfs",   "selinuxfs", "overlay",
        "squashfs",    "fuse.gvfsd-fuse"};
    return std::find(kPseudo.begin(), kPseudo.end(), type) != kPseudo.end() ||
           type.starts_with("fuse.portal");
}

bool isDriveVolume(const MountEntry& entry) {
    if (entry.mountPoint == "/") return true;
    const bool userPlace = entry.mountPoint.starts_with("/media/") ||
                           entry.mountPoint.starts_with("/run/media/") ||
                           entry.mountPoint.starts_with("/mnt/");
    return userPlace && !isPseudoFileSystem(entry.type);
}

std::vector<MediaChange> volumeChanges(const std::vector<MountEntry>& before,
                                       const std::vector<MountEntry>& after) {
    std::vector<MediaChange> changes;
    for (const MountEntry& entry : before)
        if (!isPseudoFileSystem(entry.type) && !contains(after, entry))
            changes.push_back({false, rootOf(entry.mountPoint)});
    for (const MountEntry& entry : after)
        if (!isPseudoFileSystem(entry.type) && !contains(before, entry))
            changes.push_back({true, rootOf(entry.mountPoint)});
    return changes;
}

MountWatcher::MountWatcher(Callback callback, const std::string& table)
    : callback_(std::move(callback)) {
    fd_ = ::open(table.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return;
    mounts_ = readTable();
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Exception);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { tableChanged(); });
}

MountWatcher::~MountWatcher() {
    notifier_.reset();
    if (fd_ >= 0) ::close(fd_);
}

std::vector<MountEntry> MountWatcher::readTable() const {
    std::string text;
    std::array<char, 4096> chunk{};
    if (::lseek(fd_, 0, SEEK_SET) != 0) return mounts_;
    for (;;) {
        const ssize_t got = ::read(fd_, chunk.data(), chunk.size());
        if (got < 0) return mounts_;
        if (got == 0) break;
        text.append(chunk.data(), static_cast<std::size_t>(got));
    }
    return parseMountTable(text);
}

void MountWatcher::tableChanged() {
    std::vector<MountEntry> now = readTable();
    const std::vector<MediaChange> changes = volumeChanges(mounts_, now);
    mounts_ = std::move(now);
    for (const MediaChange& change : changes) callback_(change);
}

}  // namespace vox::app
