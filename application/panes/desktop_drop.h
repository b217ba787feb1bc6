#pragma once
// What the recorder list takes from the desktop: files of this computer
// dragged from the file manager (a text/uri-list of file URLs). A drag that
// began inside this program, other data, or any URL that is not a local file
// is refused as a whole, so a drop never carries only part of what the user
// picked up.

#include <optional>

#include "application/panes/dropped_files.h"

class QDropEvent;
class QMimeData;

namespace vox::panes {

// The absolute paths of the dropped files, as the file system spells them;
// none when the data is not a list of local files only.
std::optional<DroppedFiles> localFilesIn(const QMimeData& data);

// The files of a drag or drop event that comes from outside this program
// and lets them be copied.
std::optional<DroppedFiles> desktopFilesIn(const QDropEvent& event);

// Takes the drop as a copy whatever the user proposed: a file manager
// deletes its files after a drop taken as a move, and the download leaves
// them where they are.
void acceptAsCopy(QDropEvent& event);

}  // namespace vox::panes
