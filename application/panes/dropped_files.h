#pragma once
// Files dropped on the recorder list from the desktop's file manager. The
// list sends WM_DOWNLOAD_FILES to the main window with wParam kDroppedFiles
// and lParam the address of a DroppedFiles that lives for the send; the
// download then takes these paths in place of the PC list's selection.
// WParam 0 (the Download button, or PC rows dropped on the recorder list)
// means the PC list's selection.

#include <string>
#include <vector>

#include "platform/messages/message_target.h"

namespace vox::panes {

inline constexpr vox::messages::WParam kDroppedFiles = 1;

struct DroppedFiles {
    std::vector<std::string> paths;  // absolute local paths, as dropped
};

}  // namespace vox::panes
