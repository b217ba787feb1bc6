#include "application/panes/list_view_ex.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "application/panes/drag_image.h"
#include "application/panes/list_drag.h"
#include "application/panes/pane_window.h"

namespace vox::panes {

CListViewEx::CListViewEx(QWidget* parent) : CListViewCtrlEx(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    // The view recognises the gesture (and keeps a multiple selection when a
    // selected row is pressed); the drag itself is ours.
    setDragEnabled(true);
}

CListViewEx::~CListViewEx() = default;

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

void CListViewEx::mousePressEvent(QMouseEvent* event) {
    cancelDrag();  // its release never came
    if (event->button() == Qt::LeftButton) pressedAt_ = event->position().toPoint();
    // A plain press on a selected row keeps the selection for a drag; with
    // Ctrl or Shift the press changes the selection at once, as it does
    // without a drag.
    const bool choosing = event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier);
    if (choosing) setDragEnabled(false);
    CListViewCtrlEx::mousePressEvent(event);
    if (choosing) setDragEnabled(true);
}

void CListViewEx::startDrag(Qt::DropActions) {
    if (selectedItems().isEmpty()) return;
    std::optional<DragImage> image = makeDragImage(*this);
    if (!image) return;
    drag_ = std::make_unique<ListDrag>(*image, pressedAt_ - image->origin, dropTarget(),
                                       viewport()->mapToGlobal(pressedAt_));
    // Moves without the button then reach the list too: the release went
    // somewhere else.
    trackedBeforeDrag_ = viewport()->hasMouseTracking();
    viewport()->setMouseTracking(true);
}

void CListViewEx::cancelDrag() {
    if (!drag_) return;
    drag_.reset();
    viewport()->setMouseTracking(trackedBeforeDrag_);
}

// While a drag runs the view's own handling of moves would select rows.
void CListViewEx::mouseMoveEvent(QMouseEvent* event) {
    if (!drag_) return CListViewCtrlEx::mouseMoveEvent(event);
    if (!(event->buttons() & Qt::LeftButton)) return cancelDrag();
    drag_->moveTo(event->globalPosition().toPoint());
}

// The release that ends a drag is the drag's own: the view would take it for
// the end of a click and select the row under it (or none) instead.
void CListViewEx::mouseReleaseEvent(QMouseEvent* event) {
    if (drag_ && event->button() == Qt::LeftButton) return drop(event->globalPosition().toPoint());
    CListViewCtrlEx::mouseReleaseEvent(event);
}

// The drag is over before the main window hears of the drop: its answer may
// open a dialog or list the panes again.
void CListViewEx::drop(QPoint global) {
    const bool taken = drag_->release(global);
    cancelDrag();
    if (!taken || dropMessage_ == 0) return;
    if (vox::app::MessageWindow* frame = frameOf(this)) frame->send(dropMessage_, 0, 0);
}

void CListViewEx::hideEvent(QHideEvent* event) {
    cancelDrag();
    CListViewCtrlEx::hideEvent(event);
}

// A window that takes the focus during a drag (a message box) takes the
// button's release with it.
void CListViewEx::focusOutEvent(QFocusEvent* event) {
    cancelDrag();
    CListViewCtrlEx::focusOutEvent(event);
}

}  // namespace vox::panes
