#pragma once
// The PC side of the main window: the PC form (toolbar with the quality and
// type choices), the PC folder tree and the PC list. Each registers itself
// in the document when it is made.

#include <QString>
#include <QTreeWidget>
#include <QWidget>

#include "application/panes/list_view_ex.h"
#include "application/panes/pane_window.h"

namespace vox::app {

class CPelmarchDoc;

class CDirForm : public vox::panes::PaneWindow<QWidget> {
  public:
    explicit CDirForm(CPelmarchDoc& doc, QWidget* parent = nullptr);

    int quality = -1;
    QString filter;
};

class CDirTree : public vox::panes::PaneWindow<QTreeWidget> {
  public:
    explicit CDirTree(CPelmarchDoc& doc, QWidget* parent = nullptr);
};

class CDirList : public vox::panes::CListViewEx {
  public:
    explicit CDirList(CPelmarchDoc& doc, QWidget* parent = nullptr);
};

}  // namespace vox::app
