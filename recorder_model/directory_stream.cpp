#include "recorder_model/directory_stream.h"

#include <algorithm>
#include <array>

namespace vox::model {

namespace {

constexpr std::size_t kUnitsPerLongEntry = 13;
constexpr std::uint8_t kLongNameAttribute = 0x0F;
constexpr std::uint8_t kLastLongEntryFlag = 0x40;
constexpr std::uint8_t kFolderAttribute = 0x10;
constexpr std::uint8_t kFileAttribute = 0x20;
// Where a long-name entry keeps its 13 code units.
constexpr std::array<std::size_t, kUnitsPerLongEntry> kUnitOffsets = {1,  3,  5,  7,  9,  14, 16,
                                                                      18, 20, 22, 24, 28, 30};

using RawEntry = std::array<std::uint8_t, kDirectoryEntryBytes>;

void putLe16(RawEntry& raw, std::size_t at, std::uint16_t value) {
    raw[at] = static_cast<std::uint8_t>(value);
    raw[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void putBe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint8_t shortNameChecksum(const ShortName& name) {
    std::uint8_t sum = 0;
    auto add = [&sum](char c) {
        sum =
            static_cast<std::uint8_t>(((sum & 1) << 7) + (sum >> 1) + static_cast<std::uint8_t>(c));
    };
    std::for_each(name.base.begin(), name.base.end(), add);
    std::for_each(name.ext.begin(), name.ext.end(), add);
    return sum;
}

RawEntry shortEntry(const FlashEntry& entry) {
    RawEntry raw{};
    std::copy(entry.shortName.base.begin(), entry.shortName.base.end(), raw.begin());
    std::copy(entry.shortName.ext.begin(), entry.shortName.ext.end(), raw.begin() + 8);
    raw[11] = entry.folder ? kFolderAttribute : kFileAttribute;
    putLe16(raw, 14, entry.stamp.time);  // created
    putLe16(raw, 16, entry.stamp.date);
    putLe16(raw, 18, entry.stamp.date);  // last access
    putLe16(raw, 22, entry.stamp.time);  // written
    putLe16(raw, 24, entry.stamp.date);
    auto size = static_cast<std::uint32_t>(entry.size());
    putLe16(raw, 28, static_cast<std::uint16_t>(size));
    putLe16(raw, 30, static_cast<std::uint16_t>(size >> 16));
    return raw;
}

void append(std::vector<std::uint8_t>& out, const RawEntry& raw) {
    out.insert(out.end(), raw.begin(), raw.end());
}

}  // namespace

std::vector<std::uint8_t> directoryEntries(const FlashEntry& entry) {
    std::vector<std::uint8_t> out;
    const std::u16string& name = entry.longName;
    std::size_t groups = (name.size() + kUnitsPerLongEntry - 1) / kUnitsPerLongEntry;
    std::uint8_t checksum = shortNameChecksum(entry.shortName);
    // The run is stored last group first; a name that does not fill its last
    // group is ended with a NUL and padded with 0xFFFF.
    for (std::size_t group = groups; group-- > 0;) {
        RawEntry raw{};
        raw[0] =
            static_cast<std::uint8_t>(group + 1) | (group + 1 == groups ? kLastLongEntryFlag : 0);
        raw[11] = kLongNameAttribute;
        raw[13] = checksum;
        for (std::size_t i = 0; i < kUnitsPerLongEntry; ++i) {
            std::size_t index = group * kUnitsPerLongEntry + i;
            char16_t unit = index < name.size()    ? name[index]
                            : index == name.size() ? u'\0'
                                                   : u'\xFFFF';
            putLe16(raw, kUnitOffsets[i], unit);
        }
        append(out, raw);
    }
    append(out, shortEntry(entry));
    return out;
}

std::vector<std::uint8_t> directoryStream(const FlashEntry& folder, bool withDotEntries,
                                          std::uint64_t totalBytes, std::uint64_t freeBytes) {
    std::vector<std::uint8_t> out;
    putBe32(out, static_cast<std::uint32_t>(std::min<std::uint64_t>(totalBytes, 0xFFFFFFFF)));
    putBe32(out, static_cast<std::uint32_t>(std::min<std::uint64_t>(freeBytes, 0xFFFFFFFF)));
    if (withDotEntries) {
        for (int dots : {1, 2}) {
            FlashEntry dot;
            dot.folder = true;
            dot.shortName = ShortName::dotEntry(dots);
            dot.stamp = folder.stamp;
            append(out, shortEntry(dot));
        }
    }
    for (const auto& child : folder.children) {
        auto raw = directoryEntries(child);
        if (out.size() + raw.size() > kDirectoryStreamLimit) break;
        out.insert(out.end(), raw.begin(), raw.end());
    }
    return out;
}

}  // namespace vox::model
