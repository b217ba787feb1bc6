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

bool isOpticalMedia(const MountEntry& entry) {
    return entry.type == "iso9660" || entry.type == "udf" || entry.device.starts_with("/dev/sr") ||
           entry.device.starts_with("/dev/cdrom");
}

std::vector<MediaChange> opticalMediaChanges(const std::vector<MountEntry>& before,
                                             const std::vector<MountEntry>& after) {
    std::vector<MediaChange> changes;
    for (const MountEntry& entry : before)
        if (isOpticalMedia(entry) && !contains(after, entry))
            changes.push_back({false, rootOf(entry.mountPoint)});
    for (const MountEntry& entry : after)
        if (isOpticalMedia(entry) && !contains(before, entry))
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
    const std::vector<MediaChange> changes = opticalMediaChanges(mounts_, now);
    mounts_ = std::move(now);
    for (const MediaChange& change : changes) callback_(change);
}

}  // namespace vox::app
