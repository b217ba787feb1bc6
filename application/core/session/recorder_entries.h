#pragma once
// The library's listing entries in the form the transfer rules take, and a
// folder read through the library for the session's own steps.

#include <cstdint>
#include <optional>
#include <string>

#include "application/core/rules/recorder_listing.h"
#include "device_library/qvdevsys.h"

namespace vox::session {

rules::ListedFile listedFile(const DeviceEntry& entry);

struct FolderRead {
    rules::RecorderListing listing;
    std::uint8_t versionByte = 0;
};

// Lists `folderName` (as QVRefreshDevice takes it); none when the recorder
// did not answer with a folder.
std::optional<FolderRead> readFolder(DeviceContext* link, const std::string& folderName);

}  // namespace vox::session
