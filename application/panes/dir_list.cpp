#include "application/panes/dir_list.h"

#include <sys/stat.h>

#include <QDateTime>
#include <QFile>
#include <QKeyEvent>
#include <QLocale>
#include <QMimeDatabase>
#include <algorithm>
#include <limits>

#include "application/core/pelmarch_app.h"
#include "application/core/pelmarch_doc.h"
#include "application/core/profile.h"
#include "application/core/selection_summary.h"
#include "application/panes/dir_form.h"
#include "application/panes/dir_tree.h"
#include "application/panes/flash_list.h"
#include "application/panes/flash_tree.h"
#include "application/panes/folder_entries.h"
#include "application/panes/system_icons.h"
#include "application/resources/resources.h"
#include "engine/rules/size_text.h"
#include "engine/rules/transfer_units.h"
#include "platform/messages/message_numbers.h"

namespace vox::app {

namespace {

using vox::panes::FolderEntry;
using vox::panes::SystemIcons;

enum Column { NameColumn = 0, SizeColumn, TypeColumn, DateColumn };

// The last-write time as the user's short date, a space and the time
// without seconds.
QString dateText(std::time_t modified) {
    const QDateTime when = QDateTime::fromSecsSinceEpoch(modified);
    const QLocale locale = QLocale::system();
    return locale.toString(when.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(when.time(), QLocale::ShortFormat);
}

std::uint32_t clamped(std::uint64_t value) {
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(value, std::numeric_limits<std::uint32_t>::max()));
}

}  // namespace

CDirList::CDirList(CPelmarchDoc& doc, QWidget* parent) : CListViewEx(parent), doc_(doc) {
    setWindowTitle(QStringLiteral("DirListView"));
    setAccessibleName(QStringLiteral("PC files"));
    setAccessibleDescription(QStringLiteral("The files of the open PC folder"));
    setIconSize(SystemIcons::iconSize(SystemIcons::Kind::Small));
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    SystemIcons::acquire();
    doc_.dirList = this;
    setDropMessage(vox::messages::WM_DOWNLOAD_FILES);
    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] { sendSelectionSummary(); });
    connect(this, &QTreeWidget::itemClicked, this, [this] { sendSelectionSummary(); });
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* row) { openRow(row); });
}

CDirList::~CDirList() {
    SystemIcons::release();
    if (doc_.dirList == this) doc_.dirList = nullptr;
}

void CDirList::showEvent(QShowEvent* event) {
    CListViewEx::showEvent(event);
    if (!ready_) firstShow();
}

void CDirList::firstShow() {
    core().insertColumn(NameColumn, loadShellText(kShellName), Qt::AlignLeft, 200);
    core().insertColumn(SizeColumn, loadShellText(kShellSize), Qt::AlignRight, 100);
    core().insertColumn(TypeColumn, loadShellText(kShellType), Qt::AlignLeft, 100);
    core().insertColumn(DateColumn, loadShellText(kShellDate), Qt::AlignLeft, 100);
    core().enableSorting(true, readInt(setting::SortCol));
    core().setTint(true);
    ready_ = true;
    listFolder({});
}

LResult CDirList::handleMessage(Message message, WParam, LParam lParam) {
    switch (message) {
        case vox::messages::WM_REFRESH_LIST:
            listFolder(lParam != 0 ? reinterpret_cast<const char*>(lParam) : "");
            return 1;
        case vox::messages::WM_NEW_FOLDER:
            return newFolder() ? 1 : 0;
        default:
            return 0;
    }
}

std::string CDirList::filter() const {
    if (!doc_.dirForm || doc_.dirForm->filter.isEmpty()) return "*";
    return doc_.dirForm->filter.toStdString();
}

void CDirList::sendStatus(WParam wParam, LParam lParam) {
    if (MessageWindow* frame = vox::panes::frameOf(this))
        frame->send(vox::messages::WM_STATUS_INFO, wParam, lParam);
}

// The list repaints once: updates are off while the rows are replaced.
void CDirList::listFolder(std::string folder) {
    if (!ready_) return;
    if (folder.empty()) folder = doc_.workingDirectory;
    const std::string prompt = vox::res::text(QStringLiteral("refresh_device")).toStdString();
    sendStatus(0, reinterpret_cast<LParam>(prompt.c_str()));
    setUpdatesEnabled(false);
    clear();
    folder = vox::panes::withSlash(folder);
    QList<QTreeWidgetItem*> rows;
    for (const FolderEntry& entry : vox::panes::readFolder(folder, filter()))
        rows.append(makeRow(entry));
    addTopLevelItems(rows);
    core().sort(-1);
    doc_.setTitle(folder.size() > 1 ? folder.substr(0, folder.size() - 1) : folder);
    sendStatus(0, 0);
    setUpdatesEnabled(true);
}

const CDirList::TypeInfo& CDirList::typeOf(const FolderEntry& entry) {
    const QString name = QFile::decodeName(entry.name.c_str());
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString key = entry.folder ? QStringLiteral("/")
                        : dot > 0    ? name.mid(dot).toLower()
                                     : name;
    auto found = types_.find(key);
    if (found != types_.end()) return *found;
    static const QMimeDatabase mimeTypes;
    TypeInfo info;
    if (entry.folder) {
        info.name = mimeTypes.mimeTypeForName(QStringLiteral("inode/directory")).comment();
        info.icon = SystemIcons::kClosedFolderIcon;
    } else {
        info.name = mimeTypes.mimeTypeForFile(name, QMimeDatabase::MatchExtension).comment();
        info.icon = std::max(1, SystemIcons::indexOf(QFileInfo(name)));
    }
    return *types_.insert(key, info);
}

QTreeWidgetItem* CDirList::makeRow(const FolderEntry& entry) {
    const TypeInfo& type = typeOf(entry);
    auto* row = new QTreeWidgetItem(QStringList{
        QFile::decodeName(entry.name.c_str()),
        entry.folder ? QString()
                     : QString::fromStdString(vox::rules::kilobyteColumnText(entry.size)),
        type.name, dateText(entry.modified)});
    row->setData(NameColumn, kNameBytesRole, QByteArray::fromStdString(entry.name));
    row->setData(NameColumn, vox::panes::kImageIndexRole, type.icon);
    row->setIcon(NameColumn, SystemIcons::icon(type.icon));
    row->setTextAlignment(SizeColumn, Qt::AlignRight | Qt::AlignVCenter);
    row->setFlags(row->flags() | Qt::ItemIsEditable);
    return row;
}

std::string CDirList::rowName(const QTreeWidgetItem* row) const {
    return row->data(NameColumn, kNameBytesRole).toByteArray().toStdString();
}

std::vector<std::string> CDirList::selectedNames() const {
    std::vector<std::string> names;
    for (int index = 0; index < topLevelItemCount(); ++index)
        if (topLevelItem(index)->isSelected()) names.push_back(rowName(topLevelItem(index)));
    return names;
}

vox::panes::CListViewEx* CDirList::dropTarget() const {
    return doc_.flashList;
}

// Every selected row counts; files add their bytes and their blocks, each
// rounded up to a whole block, folders nothing.
void CDirList::sendSelectionSummary() {
    const std::vector<std::string> names = selectedNames();
    if (names.empty()) {
        sendStatus(0, 0);
        return;
    }
    std::uint64_t bytes = 0;
    std::uint64_t blocks = 0;
    for (const std::string& name : names) {
        struct stat info {};
        const std::string path = doc_.workingDirectory + name;
        if (::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) continue;
        bytes += static_cast<std::uint64_t>(info.st_size);
        blocks += vox::rules::blockCount(static_cast<std::uint64_t>(info.st_size));
    }
    SelectionSummary summary;
    summary.kind = 1;
    summary.rows = static_cast<std::int32_t>(names.size());
    summary.neededBlocks = clamped(blocks);
    summary.freeBlocks = doc_.listing.freeBytes >> 15;
    summary.bytes = clamped(bytes);
    sendStatus(kSelectionSummaryInfo, reinterpret_cast<LParam>(&summary));
}

void CDirList::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    // The Enter that ends an in-place edit reaches the list as well.
    if (enter && state() != EditingState) {
        if (selectedItems().size() == 1) openRow(selectedItems().front());
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Delete) {
        deleteSelected();
        event->accept();
        return;
    }
    // Backspace and Alt+Up go up a folder, as in the desktop's file managers.
    const bool up = (event->key() == Qt::Key_Backspace && event->modifiers() == Qt::NoModifier) ||
                    (event->key() == Qt::Key_Up && event->modifiers() == Qt::AltModifier);
    if (up && state() != EditingState) {
        if (doc_.dirForm) doc_.dirForm->upFolder();
        event->accept();
        return;
    }
    CListViewEx::keyPressEvent(event);
}

// Tab goes to the recorder tree, or to the PC tree while that one is off.
bool CDirList::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier) {
            QWidget* next = doc_.flashTree && doc_.flashTree->isEnabled()
                                ? static_cast<QWidget*>(doc_.flashTree)
                                : doc_.dirTree;
            if (next) next->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return CListViewEx::event(event);
}

// With nothing selected the first row is marked, unless an operation runs.
void CDirList::focusInEvent(QFocusEvent* event) {
    CListViewEx::focusInEvent(event);
    if (selectedItems().isEmpty() && topLevelItemCount() > 0 && !doc_.work.busy())
        selectionModel()->setCurrentIndex(model()->index(0, 0), QItemSelectionModel::NoUpdate);
}

}  // namespace vox::app
