#pragma once
// A folder read through the library for the session's own steps, its
// entries in the form the transfer rules take.

#include <cstdint>
#include <optional>
#include <string>

#include "device_library/qvdevsys.h"
#include "engine/rules/recorder_listing.h"

namespace vox::session {

struct FolderRead {
    rules::RecorderListing listing;
    std::uint8_t versionByte = 0;
};

// Lists `folderName` (as QVRefreshDevice takes it); none when the recorder
// did not answer with a folder.
std::optional<FolderRead> readFolder(DeviceContext* link, const std::string& folderName);

}  // namespace vox::session
