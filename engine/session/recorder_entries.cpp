#include "engine/session/recorder_entries.h"

#include <memory>

#include "engine/rules/listed_entry.h"

namespace vox::session {

namespace {

// A folder listing starts with the folder's own "." and ".." entries.
constexpr int kFolderOwnEntries = 2;

}  // namespace

std::optional<FolderRead> readFolder(DeviceContext* link, const std::string& folderName) {
    auto raw = std::make_unique<DeviceListing>();
    if (QVRefreshDevice(link, raw.get(), folderName.c_str(), 0, STORE_MAIN) == 0 ||
        raw->entryCount < kFolderOwnEntries || raw->entryCount > kListingMaxEntries)
        return std::nullopt;
    FolderRead read;
    read.versionByte = raw->versionByte;
    read.listing = rules::listedFolder(*raw);
    return read;
}

}  // namespace vox::session
