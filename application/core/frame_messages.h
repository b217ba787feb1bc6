#pragma once
// System message numbers the main window takes besides the private ones.

#include "platform/messages/message_target.h"

namespace vox::app {

// A command; wParam is the command id.
inline constexpr vox::messages::Message WM_COMMAND = 0x0111;
// A device-change notice; wParam is the event code.
inline constexpr vox::messages::Message WM_DEVICECHANGE = 0x0219;

// The Refresh command (F5).
inline constexpr int kRefreshCommand = 32772;
// The main window's only timer: the debounced device check.
inline constexpr int kDeviceCheckTimer = 101;

}  // namespace vox::app
