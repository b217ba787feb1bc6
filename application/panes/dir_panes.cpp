#include "application/panes/dir_panes.h"

#include "application/core/pelmarch_doc.h"

namespace vox::app {

CDirForm::CDirForm(CPelmarchDoc& doc, QWidget* parent) : PaneWindow(parent) {
    setWindowTitle(QStringLiteral("DirFormView"));
    doc.dirForm = this;
}

CDirTree::CDirTree(CPelmarchDoc& doc, QWidget* parent) : PaneWindow(parent) {
    setWindowTitle(QStringLiteral("DirTreeView"));
    setHeaderHidden(true);
    doc.dirTree = this;
}

CDirList::CDirList(CPelmarchDoc& doc, QWidget* parent) : CListViewEx(parent) {
    setWindowTitle(QStringLiteral("DirListView"));
    doc.dirList = this;
}

}  // namespace vox::app
