#include "engine/rules/listed_entry.h"

#include <cstring>

namespace vox::rules {

namespace {

// A text field up to its first NUL, never past its end.
std::string field(const char* text, std::size_t capacity) {
    return std::string(text, strnlen(text, capacity));
}

}  // namespace

int listedEntryCount(const DeviceListing& listing) {
    if (listing.entryCount < 0) return 0;
    return listing.entryCount > kListingMaxEntries ? kListingMaxEntries : listing.entryCount;
}

bool startsWithDotEntries(const DeviceListing& listing) {
    return listedEntryCount(listing) >= 2 && listing.entries[0].baseName[0] == '.' &&
           std::strncmp(listing.entries[1].baseName, "..", 2) == 0;
}

ListedFile listedFile(const DeviceEntry& entry) {
    ListedFile file;
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

RecorderListing listedFolder(const DeviceListing& listing) {
    RecorderListing folder;
    folder.totalBytes = listing.totalBytes;
    folder.freeBytes = listing.freeBytes;
    // Entries 0 and 1 are the folder's own "." and "..".
    for (int k = 2; k < listedEntryCount(listing); ++k)
        folder.files.push_back(listedFile(listing.entries[k]));
    return folder;
}

}  // namespace vox::rules
