#include "application/core/fixed_splitter.h"

#include <QMouseEvent>
#include <QSplitterHandle>

namespace vox::app {

namespace {

class FixedHandle final : public QSplitterHandle {
  public:
    FixedHandle(Qt::Orientation orientation, QSplitter* parent)
        : QSplitterHandle(orientation, parent) {
        setCursor(Qt::ArrowCursor);
    }

  protected:
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
    void mouseMoveEvent(QMouseEvent* event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent* event) override { event->accept(); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { event->accept(); }
    // A plain bar: no grip that would invite a drag.
    void paintEvent(QPaintEvent*) override {}
};

}  // namespace

CFixedSplitter::CFixedSplitter(Qt::Orientation orientation, QWidget* parent)
    : QSplitter(orientation, parent) {
    setChildrenCollapsible(false);
}

QSplitterHandle* CFixedSplitter::createHandle() {
    return new FixedHandle(orientation(), this);
}

}  // namespace vox::app
