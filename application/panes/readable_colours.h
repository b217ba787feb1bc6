#pragma once
// Colours that stay readable whatever the palette: the contrast of two
// colours as the web's accessibility guidelines measure it (1:1 to 21:1),
// and a text colour for a background that keeps the preferred one when it
// reads well and takes black or white when it does not.

#include <QColor>

namespace vox::panes {

// The contrast normal text needs to be read comfortably.
inline constexpr double kReadableContrast = 4.5;

// The luminance of an sRGB colour, 0 (black) to 1 (white).
double relativeLuminance(const QColor& colour);
// (lighter + 0.05) / (darker + 0.05).
double contrastRatio(const QColor& first, const QColor& second);
// `preferred` when it reaches kReadableContrast on `background`, else black
// or white, whichever contrasts more (one of them always reaches it).
QColor readableOn(const QColor& background, const QColor& preferred);
// `weight` (0 to 1) of `over` mixed into `base`.
QColor blended(const QColor& base, const QColor& over, double weight);

}  // namespace vox::panes
