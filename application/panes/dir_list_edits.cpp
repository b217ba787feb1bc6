// The PC list's changes to the file system: new folders, renaming, deleting
// to the trash, opening a row, and the row of a file saved from the recorder.

#include <sys/stat.h>

#include <QDesktopServices>
#include <QFile>
#include <QPersistentModelIndex>
#include <QUrl>

#include "application/core/pelmarch_app.h"
#include "application/core/pelmarch_doc.h"
#include "application/panes/dir_list.h"
#include "application/panes/dir_tree.h"
#include "application/panes/folder_entries.h"
#include "application/panes/shell_file_operation.h"
#include "engine/rules/recorder_listing.h"

namespace vox::app {

namespace {

using vox::panes::FileOperation;
using vox::panes::ShellFileOperation;

// The characters no name may hold on the systems the recorder's files visit.
constexpr std::string_view kForbiddenInNames = "\\/:*?\"<>|";

QUrl fileUrl(const std::string& path) {
    return QUrl(QStringLiteral("file://") +
                QString::fromLatin1(QByteArray::fromStdString(path).toPercentEncoding("/")));
}

}  // namespace

QTreeWidgetItem* CDirList::appendRow(const std::string& name) {
    const std::optional<vox::panes::FolderEntry> entry =
        vox::panes::readEntry(doc_.workingDirectory, name);
    if (!entry) return nullptr;
    QTreeWidgetItem* row = makeRow(*entry);
    addTopLevelItem(row);
    return row;
}

// The first free name of the thirty wins; the user names the folder at once.
bool CDirList::newFolder() {
    const std::string base = QFile::encodeName(loadShellText(kShellNewFolder)).toStdString();
    for (int attempt = 0; attempt < kNewFolderNames; ++attempt) {
        const std::string name = attempt == 0 ? base : base + " (" + std::to_string(attempt) + ")";
        if (::mkdir((doc_.workingDirectory + name).c_str(), 0777) != 0) continue;
        QTreeWidgetItem* row = appendRow(name);
        if (!row) return false;
        setFocus(Qt::OtherFocusReason);
        setCurrentItem(row);
        editItem(row, 0);
        return true;
    }
    return false;
}

// Only a Name is edited, whichever cell was clicked.
bool CDirList::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const QModelIndex name = index.siblingAtColumn(0);
    const bool started = CListViewEx::edit(name, trigger, event);
    if (started) editedRow_ = itemFromIndex(name);
    return started;
}

// The end of an edit that was not cancelled. The rename may tell the user
// something in a modal box, and the view goes on closing (and deleting) the
// editor after this returns; so the rename waits until the edit has ended,
// and finds its row again then, if the row is still there.
void CDirList::commitData(QWidget* editor) {
    QTreeWidgetItem* row = editedRow_;
    editedRow_ = nullptr;
    if (!row || indexOfTopLevelItem(row) < 0) return;
    const QPersistentModelIndex index(indexFromItem(row));
    const QString text = editor->property("text").toString();
    QMetaObject::invokeMethod(
        this,
        [this, index, text] {
            if (QTreeWidgetItem* renamed = itemFromIndex(index)) rename(renamed, text);
        },
        Qt::QueuedConnection);
}

// A refused name, or a rename the file system refuses, leaves the row and
// the file as they were. An unchanged text is no rename.
bool CDirList::rename(QTreeWidgetItem* row, const QString& newText) {
    const std::string newName = QFile::encodeName(newText).toStdString();
    if (newName.empty() || newName.find_first_of(kForbiddenInNames) != std::string::npos)
        return false;
    if (newText == row->text(0)) return false;
    const std::string folder = doc_.workingDirectory;
    if (ShellFileOperation::runOne(this, FileOperation::Rename, folder + rowName(row),
                                   folder + newName, 0, {}) != 0)
        return false;
    const std::optional<vox::panes::FolderEntry> entry = vox::panes::readEntry(folder, newName);
    row->setText(0, newText);
    row->setData(0, kNameBytesRole, QByteArray::fromStdString(newName));
    if (entry) row->setText(2, typeOf(*entry).name);
    return true;
}

// One question for all selected rows; the list is read again when anything
// went, also when some of the items could not go.
void CDirList::deleteSelected() {
    const std::vector<std::string> names = selectedNames();
    if (names.empty()) return;
    ShellFileOperation operation;
    operation.setOwner(this);
    for (const std::string& name : names) operation.source().append(doc_.workingDirectory + name);
    operation.setFlags(vox::panes::kAllowUndo | vox::panes::kMultiDestFiles);
    const bool done = operation.run(FileOperation::Delete) == 0;
    const bool anyGone = std::any_of(names.begin(), names.end(), [this](const std::string& name) {
        struct stat info {};
        return ::lstat((doc_.workingDirectory + name).c_str(), &info) != 0;
    });
    if (done || anyGone) listFolder({});
}

void CDirList::openRow(QTreeWidgetItem* row) {
    if (!row) return;
    const std::string name = rowName(row);
    const std::string path = doc_.workingDirectory + name;
    if (vox::panes::isFolder(path)) {
        if (doc_.dirTree) doc_.dirTree->selectChild(QByteArray::fromStdString(name));
        return;
    }
    QDesktopServices::openUrl(fileUrl(path));
}

// Names differ only in case for the recorder but not here: a row of another
// case goes only when its own file is no longer there.
void CDirList::fileArrived(const vox::rules::ListedFile& file) {
    const std::string name = vox::rules::entryName(file);
    const QString text = QFile::decodeName(QByteArray::fromStdString(name));
    int old = -1;
    for (int index = 0; index < topLevelItemCount() && old < 0; ++index) {
        const QTreeWidgetItem* row = topLevelItem(index);
        if (rowName(row) == name) old = index;
    }
    for (int index = 0; index < topLevelItemCount() && old < 0; ++index) {
        const QTreeWidgetItem* row = topLevelItem(index);
        struct stat info {};
        if (row->text(0).compare(text, Qt::CaseInsensitive) == 0 &&
            ::lstat((doc_.workingDirectory + rowName(row)).c_str(), &info) != 0)
            old = index;
    }
    if (old >= 0) delete takeTopLevelItem(old);
    appendRow(name);
}

}  // namespace vox::app
