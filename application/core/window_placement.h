#pragma once
// Where the main window opens and what is stored of it. The stored rectangle
// is the window's normal (restored) rectangle relative to the desktop work
// area; "Status" is its show state.

#include <QRect>
#include <QSize>

namespace vox::app {

// Show states as the store keeps them.
inline constexpr int kShowNormal = 1;
inline constexpr int kShowMinimized = 2;
inline constexpr int kShowMaximized = 3;

struct StoredPlacement {
    int status;
    int top;
    int left;
    int bottom;
    int right;
};

StoredPlacement readStoredPlacement();
void writeStoredPlacement(const StoredPlacement& placement);

// The window's rectangle at creation: the stored one moved by the work
// area's top-left, its top-left corner kept at least one icon's size inside
// the screen.
QRect initialGeometry(const StoredPlacement& stored, const QRect& workArea, const QSize& screen,
                      const QSize& icon);

// What the store gets for a window with normal rectangle `normal`.
StoredPlacement placementToStore(int showState, const QRect& normal, const QRect& workArea);

}  // namespace vox::app
