#pragma once
// What an import cut short by a kill or a power cut may leave: copies and
// WAV files under the names of our own they are written under before they
// take their own (".voxerin-import.1f2e3d4c", ".voxerin-wav.1f2e3d4c" and its
// own temporary ".voxerin-wav.1f2e3d4c.5a6b7c8d"), and a state file's
// temporary beside it ("<state file>.1f2e3d4c"). Such names are never a
// user's file; the next import removes them.

#include <cstddef>
#include <string>

namespace vox::importing {

// Whether `name` is one of the temporary names above; `stateName` is the
// state file's own name (empty when `name` is in an import folder).
bool isLeftoverName(const std::string& name, const std::string& stateName);

// Removes the plain files of `folder` whose names isLeftoverName takes
// (never a folder or a link); returns how many it removed.
std::size_t removeLeftovers(const std::string& folder, const std::string& stateName = {});

}  // namespace vox::importing
