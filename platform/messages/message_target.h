#pragma once
// A window handle, as workers and libraries see it: something that takes
// numbered messages with two word-sized arguments. `send` returns only after
// the target has handled the message (also when called from another thread);
// `post` queues it and returns at once.

#include <cstdint>

namespace vox::messages {

using Message = std::uint32_t;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

class MessageTarget {
  public:
    virtual ~MessageTarget() = default;
    virtual LResult send(Message message, WParam wParam, LParam lParam) = 0;
    virtual void post(Message message, WParam wParam, LParam lParam) = 0;
};

// What crosses the flat C interfaces as a "window handle".
using WindowHandle = MessageTarget*;

}  // namespace vox::messages
