#include "engine/rules/listed_entry.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace vox::rules {

namespace {

// A text field up to its first NUL, never past its end.
std::string field(const char* text, std::size_t capacity) {
    return std::string(text, strnlen(text, capacity));
}

constexpr std::int64_t kRawEntryBytes = 32;
constexpr std::int64_t kUnitsPerLongNamePiece = 13;
constexpr std::int64_t kStreamHeaderBytes = 8;

// UTF-16 units of a long name kept as UTF-8: two for a four-byte sequence,
// one for any other sequence.
std::int64_t utf16Units(const std::string& text) {
    std::int64_t units = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) == 0x80) continue;
        units += byte >= 0xF0 ? 2 : 1;
    }
    return units;
}

// The raw entries the recorder spent on one decoded entry.
std::int64_t rawEntriesOf(const DeviceEntry& entry) {
    if (entry.hasLongName == 0) return 1;
    const std::int64_t units = utf16Units(field(entry.longName, sizeof entry.longName));
    return 1 +
           std::max<std::int64_t>(1, (units + kUnitsPerLongNamePiece - 1) / kUnitsPerLongNamePiece);
}

}  // namespace

bool listingIsCut(const DeviceListing& listing) {
    const int count = listedEntryCount(listing);
    if (count < kListingMaxEntries) return false;
    std::int64_t rawEntries = 0;
    for (int k = 0; k < count; ++k) rawEntries += rawEntriesOf(listing.entries[k]);
    const std::int64_t streamEntryBytes =
        static_cast<std::int64_t>(listing.streamLength) - kStreamHeaderBytes;
    return streamEntryBytes > rawEntries * kRawEntryBytes;
}

std::string moreThanShownText(const std::string& folder, std::size_t seen) {
    return (folder.empty() ? std::string("the recorder's top level") : folder) +
           ": the recorder holds more entries than one listing shows; only the first " +
           std::to_string(seen) + " were seen";
}

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
    folder.moreThanShown = listingIsCut(listing);
    // Entries 0 and 1 are the folder's own "." and "..".
    for (int k = 2; k < listedEntryCount(listing); ++k)
        folder.files.push_back(listedFile(listing.entries[k]));
    return folder;
}

}  // namespace vox::rules
