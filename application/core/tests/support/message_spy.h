#pragma once
// Records the messages a window handles, for as long as the spy lives.

#include <vector>

#include "application/core/message_window.h"

namespace vox::app::testing {

struct SeenMessage {
    Message message;
    WParam wParam;
    LParam lParam;
};

class MessageSpy final : public MessageObserver {
  public:
    explicit MessageSpy(MessageWindow& window) : window_(window) { window_.addObserver(this); }
    ~MessageSpy() override { window_.removeObserver(this); }
    MessageSpy(const MessageSpy&) = delete;
    MessageSpy& operator=(const MessageSpy&) = delete;

    void observe(Message message, WParam wParam, LParam lParam) override {
        seen.push_back({message, wParam, lParam});
    }

    int count(Message message) const {
        int n = 0;
        for (const SeenMessage& m : seen) n += m.message == message;
        return n;
    }

    std::vector<SeenMessage> seen;

  private:
    MessageWindow& window_;
};

}  // namespace vox::app::testing
