#pragma once
// The list of both file panes: the extended list view in report mode with
// full-row selection and the select-all key.

#include "application/panes/list_ctrl_ex.h"

namespace vox::panes {

class CListViewEx : public CListViewCtrlEx {
    Q_OBJECT
  public:
    explicit CListViewEx(QWidget* parent = nullptr);

    void selectAllRows();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace vox::panes
