#pragma once
// What a screen reader learns of a TextProgressCtrl: a progress bar whose
// value is its range and position and whose value text is what the bar says
// (or the spoken form its owner gave it). Qt asks the accessibility factory
// installed here for the bars' interfaces.

namespace vox::panes {

// Installs the factory once; later calls do nothing.
void installAccessibleBars();

}  // namespace vox::panes
