#include "application/core/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>

namespace vox::app {

namespace {

constexpr char kLockName[] = "PreventSecondInstanceRunning";

// A folder we may keep the lock in: a real folder (not a link) that we own
// and nobody else can write to.
bool privateFolder(const QByteArray& path) {
    struct stat info {};
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::getuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) ::close(fd_);
}

QString InstanceLock::lockFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && privateFolder(runtime)) return QString::fromLocal8Bit(runtime);
    return QStringLiteral("/tmp/voxerin-%1").arg(::getuid());
}

bool InstanceLock::acquire() {
    if (fd_ >= 0) return true;
    const QByteArray folder = QFile::encodeName(lockFolder());
    ::mkdir(folder.constData(), 0700);
    if (!privateFolder(folder)) return false;
    const QByteArray file = folder + '/' + kLockName;
    const int fd = ::open(file.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

}  // namespace vox::app
