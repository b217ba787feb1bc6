#include "application/panes/list_view_ex.h"

#include <QKeyEvent>

namespace vox::panes {

CListViewEx::CListViewEx(QWidget* parent) : CListViewCtrlEx(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
}

void CListViewEx::selectAllRows() {
    selectAll();
    if (topLevelItemCount() > 0)
        selectionModel()->setCurrentIndex(model()->index(0, 0), QItemSelectionModel::NoUpdate);
}

// The letter A selects every row, whatever modifier is held with it.
void CListViewEx::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_A) {
        selectAllRows();
        event->accept();
        return;
    }
    CListViewCtrlEx::keyPressEvent(event);
}

}  // namespace vox::panes
