#include "device_library/listing_decoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "device_library/firmware.h"
#include "platform/text/conversion.h"

namespace vox::devsys {
namespace {

constexpr std::size_t kEntrySize = 32;
constexpr std::size_t kEntriesStart = 8;
constexpr std::uint8_t kLongNameAttribute = 0x0F;
constexpr std::size_t kUnitsPerLongEntry = 13;
constexpr std::size_t kLongNameRoom = sizeof(DeviceEntry::longName) - 1;
constexpr std::uint32_t kCapacityMask = ~std::uint32_t{0x3FFF};

// The stream as the decoder may see it: bytes past its end read as zero.
class StreamReader {
  public:
    explicit StreamReader(std::span<const std::uint8_t> stream) : stream_(stream) {}
    std::uint8_t at(std::size_t offset) const {
        return offset < stream_.size() ? stream_[offset] : 0;
    }
    std::uint16_t le16(std::size_t offset) const {
        return static_cast<std::uint16_t>(at(offset) | at(offset + 1) << 8);
    }
    std::uint32_t le32(std::size_t offset) const {
        return le16(offset) | static_cast<std::uint32_t>(le16(offset + 2)) << 16;
    }
    std::uint32_t be32(std::size_t offset) const {
        return static_cast<std::uint32_t>(at(offset)) << 24 |
               static_cast<std::uint32_t>(at(offset + 1)) << 16 |
               static_cast<std::uint32_t>(at(offset + 2)) << 8 | at(offset + 3);
    }

  private:
    std::span<const std::uint8_t> stream_;
};

// The 13 UTF-16 units of the long-name entry at `offset`.
std::u16string longNameUnits(const StreamReader& reader, std::size_t offset) {
    static constexpr std::size_t kUnitOffsets[kUnitsPerLongEntry] = {1,  3,  5,  7,  9,  14, 16,
                                                                     18, 20, 22, 24, 28, 30};
    std::u16string units(kUnitsPerLongEntry, u'\0');
    for (std::size_t k = 0; k < kUnitsPerLongEntry; ++k) {
        units[k] = static_cast<char16_t>(reader.le16(offset + kUnitOffsets[k]));
    }
    return units;
}

// Rebuilds the long name from `count` entries at `offset`; the recorder
// stores the last part first.
void assembleLongName(const StreamReader& reader, std::size_t offset, unsigned count,
                      DeviceEntry& entry) {
    std::string name;
    for (unsigned k = count; k-- > 0;) {
        const std::string part = text::fromWide(longNameUnits(reader, offset + k * kEntrySize));
        name.append(part.c_str());  // up to its first NUL
    }
    name.resize(std::min(name.size(), kLongNameRoom));
    std::memset(entry.longName, 0, sizeof entry.longName);
    std::memcpy(entry.longName, name.data(), name.size());
}

void decodeShortEntry(const StreamReader& reader, std::size_t offset, std::uint8_t versionByte,
                      DeviceEntry& entry) {
    for (std::size_t k = 0; k < 8; ++k)
        entry.baseName[k] = static_cast<char>(reader.at(offset + k));
    for (std::size_t k = 0; k < 3; ++k)
        entry.extension[k] = static_cast<char>(reader.at(offset + 8 + k));
    for (std::size_t k = 0; k < 8 && entry.baseName[k] == ' '; ++k) entry.baseName[k] = '\0';
    std::snprintf(entry.displayName, sizeof entry.displayName,
                  versionByte < kNewerFirmware ? "%s.%s" : "%s%s", entry.baseName, entry.extension);

    const std::uint16_t time = reader.le16(offset + 22);
    const std::uint16_t date = reader.le16(offset + 24);
    entry.hour = static_cast<std::uint16_t>(time >> 11);
    entry.minute = static_cast<std::uint16_t>((time >> 5) & 0x3F);
    entry.second = static_cast<std::uint16_t>((time & 0x1F) * 2);
    entry.year = static_cast<std::uint16_t>((date >> 9) + 1980);
    entry.month = static_cast<std::uint16_t>((date >> 5) & 0x0F);
    entry.day = static_cast<std::uint16_t>(date & 0x1F);
    entry.size = reader.le32(offset + 28);
    entry.attribute = reader.at(offset + 11);
}

}  // namespace

bool decodeDirectoryStream(std::span<const std::uint8_t> stream, std::uint32_t streamLength,
                           std::uint8_t versionByte, DeviceListing& listing) {
    const StreamReader reader(stream);
    listing.versionByte = versionByte;
    listing.streamLength = streamLength;
    listing.totalBytes = reader.be32(0) & kCapacityMask;
    listing.freeBytes = reader.be32(4) & kCapacityMask;

    const std::int64_t limit = static_cast<std::int64_t>(streamLength) - 8;
    std::int64_t pos = 0;
    int filled = 0;
    while (limit > 0 && filled < kListingMaxEntries) {
        DeviceEntry& entry = listing.entries[filled];
        entry.hasLongName = 0;
        const std::size_t offset = kEntriesStart + static_cast<std::size_t>(pos);
        const std::uint8_t attribute = reader.at(offset + 11);
        if (attribute == kLongNameAttribute) {
            const std::uint8_t sequence = reader.at(offset);
            if ((sequence & 0xF0) != 0x40) return false;
            const unsigned count = sequence & 0x0F;
            const std::int64_t runEnd = pos + static_cast<std::int64_t>(count * kEntrySize);
            if (runEnd > limit) {  // the run would pass the end of the stream
                entry = DeviceEntry{};
                break;
            }
            entry.hasLongName = 1;
            assembleLongName(reader, offset, count, entry);
            pos = runEnd;
            if (pos >= limit) {
                entry = DeviceEntry{};
                break;
            }
            decodeShortEntry(reader, kEntriesStart + static_cast<std::size_t>(pos), versionByte,
                             entry);
            ++filled;
        } else if (attribute == 0x10 || attribute == 0x20) {
            decodeShortEntry(reader, offset, versionByte, entry);
            ++filled;
        }
        pos += kEntrySize;
        if (pos >= limit) break;
    }
    listing.entryCount = filled;
    return true;
}

}  // namespace vox::devsys
