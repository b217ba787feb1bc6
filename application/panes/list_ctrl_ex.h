#pragma once
// The extended list control: a report-mode list whose list core sorts by
// header clicks, tints the sorted column (cells and the empty area below the
// rows) and marks the focused row after the selection. CListCtrlEx is the
// plain control; CListViewCtrlEx is the same list as a pane of the main
// window, taking the system's window messages.

#include <QTreeWidget>

#include "application/panes/list_core.h"
#include "application/panes/pane_window.h"

namespace vox::panes {

class CListCtrlEx : public QTreeWidget {
    Q_OBJECT
  public:
    explicit CListCtrlEx(QWidget* parent = nullptr);

    ListCore& core() { return core_; }
    const ListCore& core() const { return core_; }

  protected:
    virtual void onColumnClick(int column);

    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void paintSortedStripe();

    ListCore core_;
};

using CListViewCtrlEx = PaneWindow<CListCtrlEx>;

}  // namespace vox::panes
