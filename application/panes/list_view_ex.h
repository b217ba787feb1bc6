#pragma once
// The list of both file panes: the extended list view in report mode with
// full-row selection, the select-all key, and dragging the selected rows onto
// the other pane's list. A drop there sends the list's drop message to the
// main window (wParam 0, lParam 0), which reads this list's selection; a drop
// anywhere else sends nothing.

#include <memory>

#include "application/panes/list_ctrl_ex.h"
#include "platform/messages/message_target.h"

namespace vox::panes {

class ListDrag;

class CListViewEx : public CListViewCtrlEx {
    Q_OBJECT
  public:
    explicit CListViewEx(QWidget* parent = nullptr);
    ~CListViewEx() override;

    void selectAllRows();

    // The drag that runs from this list; null while none does.
    const ListDrag* drag() const { return drag_.get(); }

  protected:
    // The list a drag from this one may be dropped on; none takes no drop.
    virtual CListViewEx* dropTarget() const { return nullptr; }
    void setDropMessage(vox::messages::Message message) { dropMessage_ = message; }

    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // The view saw the pointer move far enough with a row held: the drag
    // begins here, within this program.
    void startDrag(Qt::DropActions supportedActions) override;

  private:
    void drop(QPoint global);
    // Ends the drag without a drop.
    void cancelDrag();

    std::unique_ptr<ListDrag> drag_;
    QPoint pressedAt_;  // viewport coordinates of the last left press
    bool trackedBeforeDrag_ = false;
    vox::messages::Message dropMessage_ = 0;
};

}  // namespace vox::panes
