#pragma once
// A pane of the main window: a widget that also takes the system's window
// messages. Messages a pane has no use for return 0.

#include "application/core/message_window.h"

namespace vox::panes {

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
