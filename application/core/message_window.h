#pragma once
// A Qt window as the workers and the other windows see it: a message target
// with the system's numbered messages. Messages are always handled on the
// thread that owns the window (the GUI thread). `send` from that thread calls
// the handler at once; from a worker it blocks until the GUI thread has
// handled the message and returns the handler's result. `post` queues.

#include <QObject>
#include <memory>
#include <string>
#include <vector>

#include "platform/messages/message_target.h"

namespace vox::app {

using vox::messages::LParam;
using vox::messages::LResult;
using vox::messages::Message;
using vox::messages::WParam;

// Sees every message a window handles, before its handler runs.
class MessageObserver {
  public:
    virtual ~MessageObserver() = default;
    virtual void observe(Message message, WParam wParam, LParam lParam) = 0;
};

class MessageWindow : public vox::messages::MessageTarget {
  public:
    MessageWindow();
    ~MessageWindow() override;
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    LResult send(Message message, WParam wParam, LParam lParam) override;
    void post(Message message, WParam wParam, LParam lParam) override;
    // Posts a message whose lParam points to `text`; the text stays valid
    // until the handler has returned.
    void postText(Message message, WParam wParam, std::string text);

    void addObserver(MessageObserver* observer);
    void removeObserver(MessageObserver* observer);

  protected:
    // Unhandled messages return 0.
    virtual LResult handleMessage(Message message, WParam wParam, LParam lParam) = 0;

  private:
    LResult deliver(Message message, WParam wParam, LParam lParam);

    // Lives on the GUI thread; queued calls die with it when the window goes.
    std::unique_ptr<QObject> context_;
    std::vector<MessageObserver*> observers_;
};

}  // namespace vox::app
