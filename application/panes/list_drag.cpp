#include "application/panes/list_drag.h"

#include <QAbstractScrollArea>
#include <QApplication>

namespace vox::panes {

namespace {

constexpr double kImageOpacity = 0.75;

Qt::CursorShape cursorFor(bool overTarget) {
    return overTarget ? Qt::ArrowCursor : Qt::ForbiddenCursor;
}

}  // namespace

ListDrag::ListDrag(const DragImage& image, QPoint grip, QAbstractScrollArea* target, QPoint global)
    : window_(std::make_unique<QLabel>(nullptr, Qt::ToolTip | Qt::FramelessWindowHint |
                                                    Qt::WindowTransparentForInput |
                                                    Qt::WindowDoesNotAcceptFocus)),
      grip_(grip),
      target_(target) {
    window_->setAccessibleName(QStringLiteral("Dragged files"));
    window_->setAttribute(Qt::WA_TransparentForMouseEvents);
    window_->setAttribute(Qt::WA_ShowWithoutActivating);
    window_->setPixmap(image.pixmap);
    window_->setMask(image.pixmap.mask());
    window_->setWindowOpacity(kImageOpacity);
    window_->resize(image.pixmap.size());
    window_->move(global - grip_);
    window_->show();
    QApplication::setOverrideCursor(cursorFor(overTarget(global)));
}

ListDrag::~ListDrag() {
    window_->hide();
    QApplication::restoreOverrideCursor();
}

void ListDrag::moveTo(QPoint global) {
    window_->move(global - grip_);
    QApplication::changeOverrideCursor(cursorFor(overTarget(global)));
}

bool ListDrag::release(QPoint global) {
    window_->hide();
    return overTarget(global);
}

// The image hangs under the pointer and the pointer passes through it: when
// the image is the top window found there, the window beneath that counts is
// the target's own (where the pointer is outside it, nothing of ours takes
// the drop).
bool ListDrag::overTarget(QPoint global) const {
    if (!target_) return false;
    QWidget* top = QApplication::topLevelAt(global);
    if (top == window_.get()) top = target_->window();
    if (top == nullptr || !top->frameGeometry().contains(global)) return false;
    const QWidget* under = top->childAt(top->mapFromGlobal(global));
    return under != nullptr && (under == target_ || under == target_->viewport());
}

}  // namespace vox::panes
