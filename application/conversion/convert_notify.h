#pragma once
// The notice a conversion worker sends to the recorder form while it runs.

#include "platform/messages/message_target.h"

namespace vox::conversion {

inline constexpr vox::messages::Message WM_CONVERT_NOTIFY = 0x923;

// wParam of WM_CONVERT_NOTIFY. CONVERT_PROGRESS carries in lParam a pointer
// to an int percentage that is valid only while the notice is handled.
enum ConvertNotice : vox::messages::WParam {
    CONVERT_STARTED = 0,
    CONVERT_PROGRESS = 1,
    CONVERT_FINISHED = 2,
};

}  // namespace vox::conversion
