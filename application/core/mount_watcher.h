#pragma once
// Tells when a CD or DVD is mounted or unmounted. The kernel marks
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
// Optical media: an ISO 9660 or UDF file system, or an optical drive's device.
bool isOpticalMedia(const MountEntry& entry);
// Optical media that were mounted or unmounted between two tables.
std::vector<MediaChange> opticalMediaChanges(const std::vector<MountEntry>& before,
                                             const std::vector<MountEntry>& after);

class MountWatcher final : public QObject {
  public:
    using Callback = std::function<void(const MediaChange&)>;

    explicit MountWatcher(Callback callback, const std::string& table = "/proc/self/mounts");
    ~MountWatcher() override;

    bool watching() const { return fd_ >= 0; }

  private:
    std::vector<MountEntry> readTable() const;
    void tableChanged();

    Callback callback_;
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<MountEntry> mounts_;
};

}  // namespace vox::app
