#include "application/panes/dir_tree.h"

#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>

#include "application/core/pelmarch_doc.h"
#include "application/core/profile.h"
#include "application/panes/dir_list.h"
#include "application/panes/folder_entries.h"
#include "application/panes/system_icons.h"
#include "application/resources/resources.h"
#include "platform/messages/message_numbers.h"

namespace vox::app {

namespace {

using vox::panes::SystemIcons;

constexpr int kNameRole = Qt::UserRole;  // a folder's name bytes, a root's path
constexpr int kKindRole = Qt::UserRole + 1;
enum Kind { Placeholder = 0, DesktopRoot, DocumentsRoot, ComputerRoot, Drive, Folder };

int kindOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kKindRole).toInt() : Placeholder;
}

void addPlaceholder(QTreeWidgetItem* item) {
    item->addChild(new QTreeWidgetItem(QStringList{QString()}));
}

std::string pathOf(const QString& location) {
    return vox::panes::withSlash(QFile::encodeName(QDir::cleanPath(location)).toStdString());
}

bool isWithin(const QTreeWidgetItem* item, const QTreeWidgetItem* ancestor) {
    for (; item; item = item->parent())
        if (item == ancestor) return true;
    return false;
}

// The components of a path below its drive string.
std::vector<QByteArray> componentsOf(const std::string& path) {
    std::vector<QByteArray> names;
    for (const QByteArray& part : QByteArray::fromStdString(path).split('/'))
        if (!part.isEmpty()) names.push_back(part);
    return names;
}

}  // namespace

CDirTree::CDirTree(CPelmarchDoc& doc, QWidget* parent, vox::panes::DriveSource drives)
    : PaneWindow(parent), doc_(doc), drives_(std::move(drives)) {
    setWindowTitle(QStringLiteral("DirTreeView"));
    setAccessibleName(QStringLiteral("PC folders"));
    setAccessibleDescription(QStringLiteral("The PC's folders; the open one is listed beside"));
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(SystemIcons::iconSize(SystemIcons::Kind::Small));
    SystemIcons::acquire();
    doc_.dirTree = this;
    connect(this, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { fillChildren(item); });
    connect(this, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem* item) { collapsed(item); });
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
                selectionChanged(current, previous);
            });
}

CDirTree::~CDirTree() {
    SystemIcons::release();
    if (doc_.dirTree == this) doc_.dirTree = nullptr;
}

void CDirTree::showEvent(QShowEvent* event) {
    PaneWindow::showEvent(event);
    if (!built_) build();
}

// The roots, then the working directory kept from the last run.
void CDirTree::build() {
    built_ = true;
    doc_.workingDirectory = QFile::encodeName(readText(setting::WorkingDirectory)).toStdString();
    QFileIconProvider icons;
    desktopPath_ = pathOf(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const bool haveDocuments = !documents.isEmpty() && QFileInfo(documents).isDir();
    documentsPath_ = pathOf(haveDocuments ? documents : QDir::homePath());
    desktop_ = addRoot(QDir(QFile::decodeName(QByteArray::fromStdString(desktopPath_))).dirName(),
                       icons.icon(QAbstractFileIconProvider::Desktop), DesktopRoot, desktopPath_);
    documents_ = addRoot(
        haveDocuments ? QDir(documents).dirName() : vox::res::text(QStringLiteral("tree_home")),
        icons.icon(QAbstractFileIconProvider::Folder), DocumentsRoot, documentsPath_);
    computer_ = addRoot(vox::res::text(QStringLiteral("tree_computer")),
                        icons.icon(QAbstractFileIconProvider::Computer), ComputerRoot, {});
    fillDrives();
    // A first start opens the home folder; a kept folder that is gone, "/".
    if (doc_.workingDirectory.empty()) doc_.workingDirectory = pathOf(QDir::homePath());
    if (!vox::panes::isFolder(vox::panes::withSlash(doc_.workingDirectory) + "."))
        doc_.workingDirectory = "/";
    selectPath(doc_.workingDirectory);
}

QTreeWidgetItem* CDirTree::addRoot(const QString& name, const QIcon& icon, int kind,
                                   const std::string& path) {
    auto* item = new QTreeWidgetItem(QStringList{name});
    item->setIcon(0, icon);
    item->setData(0, kKindRole, kind);
    item->setData(0, kNameRole, QByteArray::fromStdString(path));
    addTopLevelItem(item);
    addPlaceholder(item);
    return item;
}

std::string CDirTree::itemPath(const QTreeWidgetItem* item) const {
    switch (kindOf(item)) {
        case DesktopRoot:
        case DocumentsRoot:
            return item->data(0, kNameRole).toByteArray().toStdString();
        case Drive: {
            const auto index = static_cast<std::size_t>(
                computer_->indexOfChild(const_cast<QTreeWidgetItem*>(item)));
            return index < driveStrings_.size() ? driveStrings_[index] : std::string();
        }
        case Folder: {
            const std::string parent = itemPath(item->parent());
            if (parent.empty()) return {};
            return parent + item->data(0, kNameRole).toByteArray().toStdString() + "/";
        }
        default:
            return {};
    }
}

// Repaints once: updates are off while the children are replaced. When the
// selected item goes with the old children, its folder is selected instead.
void CDirTree::fillChildren(QTreeWidgetItem* item) {
    if (!item) return;
    const bool losesCurrent = currentItem() != item && isWithin(currentItem(), item);
    setUpdatesEnabled(false);
    {
        const QSignalBlocker quiet(this);
        if (item == computer_)
            fillDrives();
        else
            fillFolders(item);
    }
    setUpdatesEnabled(true);
    if (losesCurrent) setCurrentItem(item);
}

void CDirTree::fillDrives() {
    emptyChildren(computer_);
    driveStrings_.clear();
    for (const vox::panes::PcDrive& drive : drives_()) {
        auto* item = new QTreeWidgetItem;
        item->setData(0, kKindRole, Drive);
        computer_->addChild(item);
        driveStrings_.push_back(drive.root);
        refreshDrive(item, drive);
    }
}

void CDirTree::refreshDrive(QTreeWidgetItem* item, const vox::panes::PcDrive& drive) {
    item->setText(0, drive.name);
    item->setIcon(0, SystemIcons::icon(SystemIcons::kDriveIcon));
    emptyChildren(item);
    addPlaceholder(item);
}

void CDirTree::fillFolders(QTreeWidgetItem* item) {
    const std::string path = itemPath(item);
    emptyChildren(item);
    if (path.empty()) return;
    for (const vox::panes::FolderEntry& entry : vox::panes::readFolder(path, "*")) {
        if (!entry.folder) continue;
        auto* child = new QTreeWidgetItem(QStringList{QFile::decodeName(entry.name.c_str())});
        child->setIcon(0, SystemIcons::icon(SystemIcons::kClosedFolderIcon));
        child->setData(0, kKindRole, Folder);
        child->setData(0, kNameRole, QByteArray::fromStdString(entry.name));
        item->addChild(child);
        addPlaceholder(child);
    }
    item->sortChildren(0, Qt::AscendingOrder);
    if (item->childCount() > 0) scrollToItem(item->child(item->childCount() - 1));
    scrollToItem(item);
}

void CDirTree::emptyChildren(QTreeWidgetItem* item) {
    qDeleteAll(item->takeChildren());
}

// A collapsed item keeps one placeholder so that it can be expanded again.
// A selection inside it moves to the item first; when the item cannot be
// selected (My Computer), its children stay so that the selection does too.
void CDirTree::collapsed(QTreeWidgetItem* item) {
    if (currentItem() != item && isWithin(currentItem(), item)) {
        setCurrentItem(item);
        if (currentItem() != item) return;
    }
    const QSignalBlocker quiet(this);
    emptyChildren(item);
    addPlaceholder(item);
    if (item == computer_) driveStrings_.clear();
}

// Only an existing folder becomes the working directory; anything else
// (My Computer, a vanished folder) gives the selection back.
void CDirTree::selectionChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous) {
    if (reverting_ || !current) return;
    const std::string path = itemPath(current);
    if (!path.empty() && vox::panes::isFolder(path)) {
        doc_.workingDirectory = path;
        fillChildren(current);
        if (doc_.dirList)
            doc_.dirList->send(vox::messages::WM_REFRESH_LIST, 0,
                               reinterpret_cast<LParam>(doc_.workingDirectory.c_str()));
        return;
    }
    QTreeWidgetItem* back = previous ? previous : current->parent();
    reverting_ = true;
    setCurrentItem(back);
    reverting_ = false;
}

void CDirTree::selectPath(const std::string& wanted) {
    if (walking_ || !built_) return;
    std::string path = vox::panes::withSlash(wanted.empty() ? documentsPath_ : wanted);
    // Cut back to the nearest existing folder.
    while (path.size() > 1 && !vox::panes::isFolder(path)) {
        path.pop_back();
        path.erase(path.rfind('/') + 1);
    }
    walking_ = true;
    expandItem(computer_);
    std::size_t best = driveStrings_.size();
    for (std::size_t i = 0; i < driveStrings_.size(); ++i)
        if (path.starts_with(driveStrings_[i]) &&
            (best == driveStrings_.size() || driveStrings_[i].size() > driveStrings_[best].size()))
            best = i;
    if (best == driveStrings_.size()) {
        walking_ = false;
        return;
    }
    walkTo(computer_->child(static_cast<int>(best)),
           componentsOf(path.substr(driveStrings_[best].size())));
    walking_ = false;
}

void CDirTree::selectChild(const QByteArray& name) {
    if (walking_ || !currentItem()) return;
    walking_ = true;
    walkTo(currentItem(), {name});
    walking_ = false;
}

void CDirTree::selectParent() {
    QTreeWidgetItem* parent = currentItem() ? currentItem()->parent() : nullptr;
    if (walking_ || !parent) return;
    setCurrentItem(parent);
    scrollToItem(parent, QAbstractItemView::PositionAtTop);
}

// Expands its way down; a name not found is looked for again after the
// folder is read again, a bounded number of times, and the walk then stops
// at the last folder reached.
void CDirTree::walkTo(QTreeWidgetItem* item, const std::vector<QByteArray>& names) {
    expandItem(item);
    for (const QByteArray& name : names) {
        QTreeWidgetItem* child = childNamed(item, name);
        for (int reread = 0; !child && reread < kPathRereads; ++reread) {
            fillChildren(item);
            child = childNamed(item, name);
        }
        if (!child) break;
        expandItem(child);
        item = child;
    }
    setCurrentItem(item);
}

// The exact name first; failing that one that differs only in case.
QTreeWidgetItem* CDirTree::childNamed(QTreeWidgetItem* item, const QByteArray& name) const {
    QTreeWidgetItem* caseless = nullptr;
    const QString text = QFile::decodeName(name);
    for (int i = 0; i < item->childCount(); ++i) {
        QTreeWidgetItem* child = item->child(i);
        if (kindOf(child) != Folder) continue;
        if (child->data(0, kNameRole).toByteArray() == name) return child;
        if (!caseless && child->text(0).compare(text, Qt::CaseInsensitive) == 0) caseless = child;
    }
    return caseless;
}

// A volume mounted or unmounted (wParam: the delay in ms, lParam: its
// mount point). The delay is waited out on a timer, not by blocking the
// window.
LResult CDirTree::handleMessage(Message message, WParam wParam, LParam lParam) {
    if (message != vox::messages::WM_MEDIA_CHANGED || lParam == 0) return 0;
    const std::string root = vox::panes::withSlash(reinterpret_cast<const char*>(lParam));
    QTimer::singleShot(static_cast<int>(wParam), this, [this, root] { mediaChanged(root); });
    return 1;
}

// The drive is shown anew: a volume that is no longer mounted is removed, a
// new one added at the end. A working directory on the drive moves to My
// Documents first.
void CDirTree::mediaChanged(const std::string& root) {
    if (!built_) return;
    const std::vector<vox::panes::PcDrive> now = drives_();
    const auto listed = std::find(driveStrings_.begin(), driveStrings_.end(), root);
    const auto present = std::find_if(now.begin(), now.end(),
                                      [&](const vox::panes::PcDrive& d) { return d.root == root; });
    if (listed != driveStrings_.end() && root != "/" && doc_.workingDirectory.starts_with(root)) {
        doc_.workingDirectory = documentsPath_;
        selectPath(doc_.workingDirectory);
    }
    const QSignalBlocker quiet(this);
    if (listed != driveStrings_.end()) {
        const int index = static_cast<int>(listed - driveStrings_.begin());
        QTreeWidgetItem* item = computer_->child(index);
        if (present == now.end() && !isWithin(currentItem(), item)) {
            driveStrings_.erase(listed);
            delete item;
        } else {
            collapseItem(item);
            refreshDrive(
                item, present == now.end() ? vox::panes::PcDrive{root, item->text(0)} : *present);
        }
    } else if (present != now.end() && kindOf(computer_->child(0)) == Drive) {
        auto* item = new QTreeWidgetItem;
        item->setData(0, kKindRole, Drive);
        computer_->addChild(item);
        driveStrings_.push_back(root);
        refreshDrive(item, *present);
    }
}

// Tab goes on to the PC list.
bool CDirTree::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier) {
            if (doc_.dirList) doc_.dirList->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return PaneWindow::event(event);
}

}  // namespace vox::app
