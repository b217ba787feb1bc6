#pragma once
// Keys the panes take before the widgets' own handling.

#include <QEvent>
#include <QKeyEvent>

namespace vox::panes {

// A Tab press without modifiers, which moves the focus to the next pane.
inline bool isPlainTab(const QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    return key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier;
}

}  // namespace vox::panes
