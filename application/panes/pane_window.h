#pragma once
// A pane of the main window: a widget that also takes the system's window
// messages. Messages a pane has no use for return 0.

#include <QWidget>

#include "application/core/message_window.h"

namespace vox::panes {

// The main window a pane sits in, as a message target; null while the pane
// has no window of that kind above it.
inline vox::app::MessageWindow* frameOf(QWidget* pane) {
    QWidget* top = pane->window();
    return top == pane ? nullptr : dynamic_cast<vox::app::MessageWindow*>(top);
}

template <typename Widget>
class PaneWindow : public Widget, public vox::app::MessageWindow {
  public:
    using Widget::Widget;

  protected:
    vox::app::LResult handleMessage(vox::app::Message, vox::app::WParam,
                                    vox::app::LParam) override {
        return 0;
    }
};

}  // namespace vox::panes
