#include "application/panes/list_ctrl_ex.h"

#include <QFocusEvent>
#include <QPainter>

#include "application/panes/list_drawing.h"

namespace vox::panes {

CListCtrlEx::CListCtrlEx(QWidget* parent) : QTreeWidget(parent), core_(this) {
    setColumnCount(0);
    setRootIsDecorated(false);
    setIndentation(0);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setHeader(new ArrowHeader(core_, this));
    header()->setSectionsClickable(true);  // the tree view resets it when given a header
    setItemDelegate(new ListCellDelegate(core_, this));
    connect(header(), &QHeaderView::sectionClicked, this,
            [this](int column) { onColumnClick(column); });
    connect(header(), &QHeaderView::sectionResized, this, [this] {
        if (core_.tintOn()) viewport()->update();
    });
    connect(header(), &QHeaderView::sectionMoved, this, [this] {
        if (core_.tintOn()) viewport()->update();
    });
}

void CListCtrlEx::onColumnClick(int column) {
    core_.columnClicked(column);
}

void CListCtrlEx::paintEvent(QPaintEvent* event) {
    paintSortedStripe();
    QTreeWidget::paintEvent(event);
}

// The empty area below the rows shows the sorted column's tint as well.
void CListCtrlEx::paintSortedStripe() {
    const int column = core_.sortedColumn();
    if (!core_.tintOn() || column < 0) return;
    QPainter painter(viewport());
    const QRect area = viewport()->rect();
    painter.fillRect(area, palette().color(QPalette::Base));
    const int left = header()->sectionViewportPosition(column);
    painter.fillRect(QRect(left, area.top(), header()->sectionSize(column), area.height()),
                     core_.tint());
}

void CListCtrlEx::scrollContentsBy(int dx, int dy) {
    QTreeWidget::scrollContentsBy(dx, dy);
    if (dx != 0) viewport()->update();
}

// The platform's list puts no focus mark on a row by itself; the list core
// marks the first selected row.
void CListCtrlEx::focusInEvent(QFocusEvent* event) {
    const bool hadCurrent = currentIndex().isValid();
    QTreeWidget::focusInEvent(event);
    if (!hadCurrent && currentIndex().isValid())
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    core_.focusGained();
}

// Focus that moves into the list's own in-place editor stays in the list:
// taking the focused row away then would end the edit at once.
void CListCtrlEx::focusOutEvent(QFocusEvent* event) {
    QTreeWidget::focusOutEvent(event);
    if (state() != EditingState) core_.focusLost();
}

void CListCtrlEx::changeEvent(QEvent* event) {
    QTreeWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) core_.systemColoursChanged();
}

}  // namespace vox::panes
