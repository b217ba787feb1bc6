#include "application/panes/system_icons.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <map>

namespace vox::panes {

namespace {

struct Lists {
    int users = 0;
    std::vector<QIcon> icons;
    std::map<QString, int> byType;  // mime type or folder marker -> index
    QFileIconProvider provider;
};

Lists& lists() {
    static Lists state;
    return state;
}

void fill(Lists& state) {
    if (!state.icons.empty()) return;
    const QIcon file = state.provider.icon(QAbstractFileIconProvider::File);
    const QIcon folder = state.provider.icon(QAbstractFileIconProvider::Folder);
    state.icons = {file, file, state.provider.icon(QAbstractFileIconProvider::Drive), folder,
                   folder};
}

int indexFor(const QString& type, const QIcon& icon) {
    Lists& state = lists();
    fill(state);
    const auto found = state.byType.find(type);
    if (found != state.byType.end()) return found->second;
    const int index = icon.isNull() ? SystemIcons::kFileIcon : static_cast<int>(state.icons.size());
    if (!icon.isNull()) state.icons.push_back(icon);
    state.byType.emplace(type, index);
    return index;
}

}  // namespace

void SystemIcons::acquire() {
    Lists& state = lists();
    if (state.users++ == 0) fill(state);
}

// The icons stay: the last user only detaches from them.
void SystemIcons::release() {
    if (lists().users > 0) --lists().users;
}

int SystemIcons::users() {
    return lists().users;
}

const std::vector<QIcon>& SystemIcons::list() {
    fill(lists());
    return lists().icons;
}

QSize SystemIcons::iconSize(Kind kind) {
    return kind == Kind::Small ? QSize(16, 16) : QSize(32, 32);
}

int SystemIcons::indexOf(const QFileInfo& file) {
    if (file.isDir()) return kClosedFolderIcon;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(file, QMimeDatabase::MatchExtension);
    return indexFor(type.name(), lists().provider.icon(file));
}

int SystemIcons::indexOfExtension(const QString& extension) {
    return indexOf(QFileInfo(QStringLiteral("file") + extension));
}

// A type the registry does not know is named after its extension, "DVF
// File", as the platform's shell names unregistered types.
QString SystemIcons::typeName(const QFileInfo& file) {
    if (file.isDir()) return lists().provider.type(file);
    const QMimeType type = QMimeDatabase().mimeTypeForFile(file, QMimeDatabase::MatchExtension);
    if (!type.isDefault()) return type.comment();
    const QString suffix = file.suffix().toUpper();
    return suffix.isEmpty() ? QStringLiteral("File") : suffix + QStringLiteral(" File");
}

QIcon SystemIcons::icon(int index) {
    const std::vector<QIcon>& icons = list();
    return index >= 0 && index < static_cast<int>(icons.size()) ? icons[index] : QIcon();
}

}  // namespace vox::panes
