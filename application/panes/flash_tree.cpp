#include "application/panes/flash_tree.h"

#include <QKeyEvent>
#include <QPixmap>
#include <string>

#include "application/core/message_boxes.h"
#include "application/core/pelmarch_doc.h"
#include "application/core/profile.h"
#include "application/panes/flash_list.h"
#include "application/panes/pane_keys.h"
#include "application/panes/system_icons.h"
#include "application/resources/resources.h"
#include "engine/rules/recorder_folder.h"

namespace vox::app {

namespace {

constexpr int kMp3Folder = 3;

// The names the listing takes, alive for the whole run: the document keeps
// pointers to them.
const std::array<std::string, kFolderCount>& listingNames() {
    static const std::array<std::string, kFolderCount> names = [] {
        std::array<std::string, kFolderCount> made;
        for (rules::RecorderFolder folder : rules::kRecorderFolders)
            made[static_cast<int>(folder)] = rules::folderListingName(folder);
        return made;
    }();
    return names;
}

}  // namespace

CFlashTree::CFlashTree(CPelmarchDoc& doc, QWidget* parent) : PaneWindow(parent), doc_(doc) {
    doc.flashTree = this;
    for (int folder = 0; folder < kFolderCount; ++folder)
        doc.folderNames[folder] = listingNames()[folder].c_str();
    setWindowTitle(QStringLiteral("FlashTreeView"));
    setAccessibleName(QStringLiteral("Recorder folders"));
    setHeaderHidden(true);
    setFrameShape(QFrame::StyledPanel);
    setRootIsDecorated(true);
    vox::panes::SystemIcons::acquire();
    buildImageList();
    buildItems();
    storedFolder_ = readInt(setting::WorkingFlashFolder);
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { selectionChanged(current); });
}

CFlashTree::~CFlashTree() {
    vox::panes::SystemIcons::release();
}

void CFlashTree::buildImageList() {
    const QSize size = vox::panes::SystemIcons::iconSize(vox::panes::SystemIcons::Kind::Small);
    QPixmap blank(size);
    blank.fill(palette().color(QPalette::Base));
    images_ = {QIcon(blank),
               vox::panes::SystemIcons::icon(vox::panes::SystemIcons::kClosedFolderIcon),
               vox::panes::SystemIcons::icon(vox::panes::SystemIcons::kOpenFolderIcon)};
    setIconSize(size);
}

// Every item shows the closed folder, and the open one while selected.
void CFlashTree::buildItems() {
    QIcon folderIcon;
    const QSize size = iconSize();
    folderIcon.addPixmap(images_[1].pixmap(size), QIcon::Normal);
    folderIcon.addPixmap(images_[2].pixmap(size), QIcon::Selected);
    auto make = [&](QTreeWidgetItem* parent, const char* key) {
        auto* made = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
        made->setText(0, vox::res::text(QString::fromLatin1(key)));
        made->setIcon(0, folderIcon);
        return made;
    };
    items_[Root] = make(nullptr, "flash_root");
    items_[Voice] = make(items_[Root], "flash_voice");
    items_[A] = make(items_[Voice], "flash_folder_a");
    items_[B] = make(items_[Voice], "flash_folder_b");
    items_[C] = make(items_[Voice], "flash_folder_c");
    items_[Mp3] = make(items_[Root], "flash_folder_mp3");
    items_[Hd] = make(items_[Root], "flash_folder_hd");
    items_[Root]->setExpanded(true);
    items_[Voice]->setExpanded(true);
}

int CFlashTree::folderOf(const QTreeWidgetItem* item) const {
    if (!item) return kMp3Folder;
    for (int folder = 0; folder < kFolderCount; ++folder)
        if (items_[folder] == item) return folder;
    return doc_.currentFolder;
}

void CFlashTree::showFolder(int index) {
    if (index < 0 || index >= kFolderCount) index = doc_.currentFolder;
    if (index < 0) index = kMp3Folder;
    doc_.currentFolder = index;
    if (doc_.flashList) doc_.flashList->listFolder(index);
    selectQuietly(items_[index]);
}

void CFlashTree::selectQuietly(QTreeWidgetItem* target) {
    selecting_ = true;
    setCurrentItem(target);
    selecting_ = false;
}

// While a device operation runs the list keeps its folder, and so does the
// tree: the selection goes back to the folder the list shows.
void CFlashTree::selectionChanged(QTreeWidgetItem* current) {
    if (selecting_ || !doc_.deviceLink) return;
    if (doc_.deviceApi().isUsed(doc_.deviceLink) != 0 || doc_.deviceWorkerRunning()) {
        messageBoxes().show(vox::res::text(QStringLiteral("busy")), BoxButtons::Ok, BoxIcon::Stop);
        if (doc_.currentFolder >= 0) selectQuietly(items_[doc_.currentFolder]);
        return;
    }
    showFolder(folderOf(current));
}

// Tab goes on to the recorder list; the widget would take it for its own
// focus chain before any key handling.
bool CFlashTree::event(QEvent* event) {
    if (vox::panes::isPlainTab(event)) {
        if (doc_.flashList) doc_.flashList->setFocus(Qt::TabFocusReason);
        return true;
    }
    return PaneWindow::event(event);
}

}  // namespace vox::app
