#include "application/core/session/recorder_entries.h"

#include <cstring>
#include <memory>

namespace vox::session {

namespace {

std::string field(const char* text, std::size_t capacity) {
    return std::string(text, strnlen(text, capacity));
}

// A folder listing starts with the folder's own "." and ".." entries.
constexpr int kFolderOwnEntries = 2;

}  // namespace

rules::ListedFile listedFile(const DeviceEntry& entry) {
    rules::ListedFile file;
    file.longName = field(entry.longName, sizeof entry.longName);
    file.hasLongName = entry.hasLongName != 0;
    file.baseName = field(entry.baseName, sizeof entry.baseName);
    file.extension = field(entry.extension, sizeof entry.extension);
    file.shortName = field(entry.displayName, sizeof entry.displayName);
    file.attribute = entry.attribute;
    file.size = entry.size;
    file.date = {entry.year, entry.month, entry.day, entry.hour, entry.minute, entry.second};
    return file;
}

std::optional<FolderRead> readFolder(DeviceContext* link, const std::string& folderName) {
    auto raw = std::make_unique<DeviceListing>();
    if (QVRefreshDevice(link, raw.get(), folderName.c_str(), 0, STORE_MAIN) == 0 ||
        raw->entryCount < kFolderOwnEntries || raw->entryCount > kListingMaxEntries)
        return std::nullopt;
    FolderRead read;
    read.versionByte = raw->versionByte;
    read.listing.totalBytes = raw->totalBytes;
    read.listing.freeBytes = raw->freeBytes;
    for (int k = kFolderOwnEntries; k < raw->entryCount; ++k)
        read.listing.files.push_back(listedFile(raw->entries[k]));
    return read;
}

}  // namespace vox::session
