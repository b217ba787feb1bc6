#pragma once
// The program's colours. By default they are the desktop's, as Qt's platform
// theme reports them (a dark desktop scheme included, where the theme
// follows it). "--dark" on the command line asks for Qt's Fusion style with
// a dark palette on any desktop.

#include <QPalette>
#include <QStringList>

namespace vox::panes {

// A dark palette for the Fusion style: light text on dark faces, with the
// 3D shades the program's own drawing maps its bitmaps to.
QPalette darkPalette();

// Applies the dark scheme when `arguments` hold "--dark"; true when it did.
// Call after the application object exists.
bool applyColourScheme(const QStringList& arguments);

}  // namespace vox::panes
