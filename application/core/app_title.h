#pragma once
// Names the program is known by: the settings root, the application title
// (caption of every box, product key of the settings) and the version shown
// in the main window's band.

namespace vox::app {

inline constexpr char kSettingsRoot[] = "Tevra Media";
inline constexpr char kAppTitle[] = "Voxerin";
inline constexpr char kUntitled[] = "Untitled";

}  // namespace vox::app
