#pragma once
// Tells when a volume is mounted or unmounted (a disc put in, a stick
// plugged, a network share attached): what a drive's media arriving and
// leaving is on this system. The kernel marks
// /proc/self/mounts with an exceptional condition whenever the mount table
// changes, so the watcher sleeps on that and reads the table only then.

#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QSocketNotifier;

namespace vox::app {

struct MountEntry {
    std::string device;
    std::string mountPoint;
    std::string type;
    bool operator==(const MountEntry&) const = default;
};

struct MediaChange {
    bool arrival;
    std::string root;  // the mount point, ending with '/'
};

// The mount table's lines; octal escapes (\040 for a space) are decoded.
std::vector<MountEntry> parseMountTable(std::string_view text);
// The kernel's own file systems (proc, sysfs, tmpfs, cgroups, ...), which
// hold no one's files.
bool isPseudoFileSystem(std::string_view type);
// A volume a person would call a drive: the root file system, or a real
// file system mounted under /media, /run/media or /mnt.
bool isDriveVolume(const MountEntry& entry);
// Volumes other than pseudo file systems that were mounted or unmounted
// between two tables.
std::vector<MediaChange> volumeChanges(const std::vector<MountEntry>& before,
                                       const std::vector<MountEntry>& after);

class MountWatcher final : public QObject {
  public:
    using Callback = std::function<void(const MediaChange&)>;

    explicit MountWatcher(Callback callback, const std::string& table = "/proc/self/mounts");
    ~MountWatcher() override;

    bool watching() const { return fd_ >= 0; }
    // Reads the table again and reports what changed since the last read;
    // runs whenever the kernel marks the table.
    void tableChanged();

  private:
    std::vector<MountEntry> readTable() const;

    Callback callback_;
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<MountEntry> mounts_;
};

}  // namespace vox::app
