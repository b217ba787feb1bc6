#include "application/core/window_placement.h"

#include <algorithm>

#include "application/core/profile.h"

namespace vox::app {

StoredPlacement readStoredPlacement() {
    return {readInt(setting::Status), readInt(setting::Top), readInt(setting::Left),
            readInt(setting::Bottom), readInt(setting::Right)};
}

void writeStoredPlacement(const StoredPlacement& placement) {
    writeInt(setting::Status, placement.status);
    writeInt(setting::Top, placement.top);
    writeInt(setting::Left, placement.left);
    writeInt(setting::Bottom, placement.bottom);
    writeInt(setting::Right, placement.right);
}

QRect initialGeometry(const StoredPlacement& stored, const QRect& workArea, const QSize& screen,
                      const QSize& icon) {
    const int x = std::min(stored.left + workArea.left(), screen.width() - icon.width());
    const int y = std::min(stored.top + workArea.top(), screen.height() - icon.height());
    return {x, y, stored.right - stored.left, stored.bottom - stored.top};
}

StoredPlacement placementToStore(int showState, const QRect& normal, const QRect& workArea) {
    const int left = normal.x() - workArea.left();
    const int top = normal.y() - workArea.top();
    return {showState, top, left, top + normal.height(), left + normal.width()};
}

}  // namespace vox::app
