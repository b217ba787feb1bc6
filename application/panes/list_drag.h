#pragma once
// One drag of rows from a file list: the drag image follows the pointer in a
// window of its own that the pointer passes through, and the cursor shows the
// arrow over the one list that takes the drop and the no-entry sign
// everywhere else. Ending the drag (destroying it) hides the image and gives
// the cursor back.

#include <QLabel>
#include <QPointer>
#include <memory>

#include "application/panes/drag_image.h"

class QAbstractScrollArea;

namespace vox::panes {

class ListDrag {
  public:
    // `grip` is where the pointer holds the image, in the image's
    // coordinates; `target` is the list that takes the drop (none: nowhere).
    ListDrag(const DragImage& image, QPoint grip, QAbstractScrollArea* target, QPoint global);
    ~ListDrag();
    ListDrag(const ListDrag&) = delete;
    ListDrag& operator=(const ListDrag&) = delete;

    // The image follows the pointer; the cursor tells whether a drop here
    // would be taken.
    void moveTo(QPoint global);
    // Whether the window under `global` is the target list (its rows or the
    // list itself; not its header, scroll bars or anything else).
    bool overTarget(QPoint global) const;
    // The button went up at `global`: the image goes, and the answer is
    // whether the drop landed on the target list.
    bool release(QPoint global);

    const QWidget& imageWindow() const { return *window_; }

  private:
    std::unique_ptr<QLabel> window_;
    QPoint grip_;
    QPointer<QAbstractScrollArea> target_;
};

}  // namespace vox::panes
