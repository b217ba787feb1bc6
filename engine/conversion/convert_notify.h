#pragma once
// The notice a conversion worker sends to the recorder form while it runs.

#include "platform/messages/message_numbers.h"

namespace vox::conversion {

using vox::messages::WM_CONVERT_NOTIFY;

// wParam of WM_CONVERT_NOTIFY. CONVERT_PROGRESS carries in lParam a pointer
// to an int percentage that is valid only while the notice is handled.
enum ConvertNotice : vox::messages::WParam {
    CONVERT_STARTED = 0,
    CONVERT_PROGRESS = 1,
    CONVERT_FINISHED = 2,
};

}  // namespace vox::conversion
