#include "application/core/flash_panes.h"

#include "application/core/pelmarch_doc.h"

namespace vox::app {

namespace {

constexpr int kMp3Folder = 3;

}  // namespace

CFlashForm::CFlashForm(CPelmarchDoc& doc, QWidget* parent) : PaneWindow(parent) {
    doc.flashForm = this;
}

CFlashTree::CFlashTree(CPelmarchDoc& doc, QWidget* parent) : PaneWindow(parent), doc_(doc) {
    doc.flashTree = this;
    setHeaderHidden(true);
}

void CFlashTree::showFolder(int index) {
    if (index < 0 || index >= kFolderCount) index = doc_.currentFolder;
    if (index < 0) index = kMp3Folder;
    doc_.currentFolder = index;
}

CFlashList::CFlashList(CPelmarchDoc& doc, QWidget* parent) : CListViewEx(parent) {
    doc.flashList = this;
}

}  // namespace vox::app
