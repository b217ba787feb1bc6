#pragma once
// The recorder side of the main window: the recorder form (toolbar), the
// recorder tree (its fixed folders) and the recorder list. Each registers
// itself in the document when it is made.

#include <QTreeWidget>
#include <QWidget>

#include "application/panes/list_view_ex.h"
#include "application/panes/pane_window.h"

namespace vox::app {

class CPelmarchDoc;

class CFlashForm : public vox::panes::PaneWindow<QWidget> {
  public:
    explicit CFlashForm(CPelmarchDoc& doc, QWidget* parent = nullptr);
};

class CFlashTree : public vox::panes::PaneWindow<QTreeWidget> {
  public:
    explicit CFlashTree(CPelmarchDoc& doc, QWidget* parent = nullptr);

    // Makes `index` the current folder: an index outside 0 to 4 keeps the
    // current folder, and "MP3" is taken while none has been shown.
    void showFolder(int index);

  private:
    CPelmarchDoc& doc_;
};

class CFlashList : public vox::panes::CListViewEx {
  public:
    explicit CFlashList(CPelmarchDoc& doc, QWidget* parent = nullptr);
};

}  // namespace vox::app
