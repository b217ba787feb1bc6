#include "engine/session/recorder_entries.h"

#include <memory>

#include "engine/rules/listed_entry.h"
#include "engine/session/folder_reader.h"

namespace vox::session {

std::optional<FolderRead> readFolder(DeviceContext* link, const std::string& folderName) {
    auto raw = std::make_unique<DeviceListing>();
    if (readListing(QVRefreshDevice, link, folderName.c_str(), true, *raw) != ListingRead::Read)
        return std::nullopt;
    FolderRead read;
    read.versionByte = raw->versionByte;
    read.listing = rules::listedFolder(*raw);
    return read;
}

}  // namespace vox::session
