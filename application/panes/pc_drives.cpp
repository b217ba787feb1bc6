#include "application/panes/pc_drives.h"

#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>

#include "application/core/mount_watcher.h"
#include "application/resources/resources.h"

namespace vox::panes {

std::vector<PcDrive> mountedDrives() {
    std::vector<PcDrive> drives;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const vox::app::MountEntry entry{volume.device().toStdString(),
                                         QFile::encodeName(volume.rootPath()).toStdString(),
                                         volume.fileSystemType().toStdString()};
        if (!volume.isValid() || !volume.isReady() || !vox::app::isDriveVolume(entry)) continue;
        QString name = volume.name();
        if (name.isEmpty())
            name = entry.mountPoint == "/" ? vox::res::text(QStringLiteral("tree_root_volume"))
                                           : QFileInfo(volume.rootPath()).fileName();
        drives.push_back({entry.mountPoint == "/" ? "/" : entry.mountPoint + "/", name});
    }
    std::sort(drives.begin(), drives.end(), [](const PcDrive& a, const PcDrive& b) {
        return (a.root == "/") != (b.root == "/") ? a.root == "/" : a.root < b.root;
    });
    // A volume mounted twice on one place is one drive.
    drives.erase(std::unique(drives.begin(), drives.end(),
                             [](const PcDrive& a, const PcDrive& b) { return a.root == b.root; }),
                 drives.end());
    // In a chroot, or a container whose root is no mount of its own, the mount
    // table does not list "/"; it is still the drive that holds the home folder.
    if (drives.empty() || drives.front().root != "/")
        drives.insert(drives.begin(), {"/", vox::res::text(QStringLiteral("tree_root_volume"))});
    return drives;
}

}  // namespace vox::panes
