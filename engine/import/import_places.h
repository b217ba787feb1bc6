#pragma once
// Where imports go and where their state is kept, by the XDG base and user
// directory conventions.

#include <string>

namespace vox::importing {

// The user's music folder (XDG_MUSIC_DIR from the environment or from
// user-dirs.dirs, else ~/Music) with the subfolder "Voice recorder".
std::string defaultImportFolder();

// $XDG_STATE_HOME/voxerin, or ~/.local/state/voxerin when that is unset or
// not an absolute path.
std::string stateFolder();

// $XDG_CACHE_HOME/voxerin, or ~/.cache/voxerin when that is unset or not an
// absolute path: copies that may be made again at any time.
std::string cacheFolder();

// Makes `path` and its missing parents; false with `error` set when it could not.
bool makeFolders(const std::string& path, std::string& error);

}  // namespace vox::importing
