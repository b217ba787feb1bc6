#include "application/panes/desktop_drop.h"

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>

namespace vox::panes {

std::optional<DroppedFiles> localFilesIn(const QMimeData& data) {
    if (!data.hasFormat(QStringLiteral("text/uri-list"))) return std::nullopt;
    DroppedFiles files;
    for (QUrl url : data.urls()) {
        // file://host/... names another machine's file, whatever its path.
        if (!url.isLocalFile()) return std::nullopt;
        if (url.host() == u"localhost") url.setHost(QString());
        if (!url.host().isEmpty()) return std::nullopt;
        const QString path = url.toLocalFile();
        if (!QDir::isAbsolutePath(path)) return std::nullopt;
        files.paths.push_back(QFile::encodeName(QDir::cleanPath(path)).toStdString());
    }
    if (files.paths.empty()) return std::nullopt;
    return files;
}

// Drags of this program's own carry a source; those from other programs do
// not.
std::optional<DroppedFiles> desktopFilesIn(const QDropEvent& event) {
    if (event.source() != nullptr || event.mimeData() == nullptr) return std::nullopt;
    if (!(event.possibleActions() & Qt::CopyAction)) return std::nullopt;
    return localFilesIn(*event.mimeData());
}

void acceptAsCopy(QDropEvent& event) {
    event.setDropAction(Qt::CopyAction);
    event.accept();
}

}  // namespace vox::panes
