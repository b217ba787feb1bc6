#pragma once
// The picture of the rows being dragged: the name cell (icon and label) of
// every selected row the user can see, on the list's background, where pure
// green is transparent. Selected rows scrolled out of view are not drawn;
// they still travel with the drop, which reads the selection.

#include <QPixmap>
#include <QPoint>
#include <optional>

class QTreeWidget;

namespace vox::panes {

// Pixels of this colour are left out of the image.
inline constexpr QRgb kDragMaskColour = 0xff00ff00;

struct DragImage {
    QPixmap pixmap;  // masked with kDragMaskColour
    QPoint origin;   // the image's top-left corner in the list's viewport
    int rows = 0;    // selected rows drawn
};

// None when no selected row is in sight.
std::optional<DragImage> makeDragImage(const QTreeWidget& list);

}  // namespace vox::panes
