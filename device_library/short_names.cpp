#include "device_library/short_names.h"

#include <algorithm>

#include "platform/text/code_page.h"
#include "platform/text/conversion.h"
#include "platform/text/upper_case.h"

namespace vox::devsys {
namespace {

constexpr std::size_t kBaseLength = 8;
constexpr std::size_t kNoDot = std::string_view::npos;

std::string_view trimRight(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
    return text;
}

std::string asciiUpper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; });
    return out;
}

std::string padded(std::string_view text, std::size_t width) {
    std::string out(text.substr(0, width));
    out.resize(width, ' ');
    return out;
}

std::string_view lastBytes(std::string_view text, std::size_t count) {
    return text.substr(text.size() - std::min(count, text.size()));
}

// Draws counter values until the name they give is free, and keeps it.
template <typename Build>
std::string uniqueTilde(NameCounter& counter, Build build) {
    for (;;) {
        const auto [base, extension] = build(counter.next());
        const std::string key = shortNameKey(base, extension);
        if (counter.taken(key)) continue;
        counter.record(key);
        return base + extension;
    }
}

struct Parts {
    std::string base;
    std::string extension;
};

std::string olderFirmwareName(std::string_view fileName, NameCounter& counter) {
    const std::size_t dot = fileName.rfind('.');
    const std::string extension((dot == kNoDot ? fileName : fileName.substr(dot)).substr(0, 4));
    if (dot == kNoDot || dot <= kBaseLength) {
        return std::string(dot == kNoDot ? std::string_view{} : fileName.substr(0, dot)) +
               extension;
    }
    return uniqueTilde(counter, [&](int c) {
        return Parts{std::string(fileName.substr(0, 4)) + "~" + std::to_string(c), extension};
    });
}

// Eight bytes: the name's first characters, then "~" and the counter; a
// character that would cross into the tail is left out and replaced by
// spaces.
std::string tildeBase(std::string_view fileName, int c) {
    const std::string digits = std::to_string(c);
    const std::size_t room = kBaseLength > digits.size() + 1 ? kBaseLength - digits.size() - 1 : 0;
    std::size_t boundary = 0;
    while (boundary < fileName.size()) {
        const std::size_t next = boundary + text::characterLength(fileName, boundary);
        if (next > room) break;
        boundary = next;
    }
    return padded(fileName.substr(0, boundary), room) + "~" + digits;
}

std::string newerFirmwareName(std::string_view fileName, NameCounter& counter) {
    const std::size_t dot = fileName.rfind('.');
    if (dot != kNoDot && dot <= kBaseLength) {
        return text::upperCase(padded(fileName.substr(0, dot), kBaseLength) +
                               std::string(lastBytes(fileName, 3)));
    }
    if (dot == kNoDot && fileName.size() <= kBaseLength) {
        return text::upperCase(padded(fileName, kBaseLength) + "   ");
    }
    const std::string extension = dot == kNoDot ? "   " : std::string(lastBytes(fileName, 3));
    return uniqueTilde(counter, [&](int c) {
        return Parts{text::upperCase(tildeBase(fileName, c)), text::upperCase(extension)};
    });
}

std::u16string upToNul(std::u16string units) {
    const std::size_t nul = units.find(u'\0');
    if (nul != std::u16string::npos) units.resize(nul);
    return units;
}

}  // namespace

std::string shortNameKey(std::string_view base, std::string_view extension) {
    if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
    return asciiUpper(trimRight(base)) + "." + asciiUpper(trimRight(extension));
}

std::string shortNameKey(const DeviceEntry& entry) {
    const std::string_view base(entry.baseName, sizeof entry.baseName);
    const std::string_view extension(entry.extension, sizeof entry.extension);
    // Leading spaces of the base were cleared to NULs by the listing.
    const std::size_t start = std::min(base.find_first_not_of('\0'), base.size());
    return shortNameKey(base.substr(start), extension);
}

std::string createShortName(std::string_view fileName, std::uint8_t versionByte,
                            NameCounter& counter) {
    return versionByte < kNewerFirmware ? olderFirmwareName(fileName, counter)
                                        : newerFirmwareName(fileName, counter);
}

std::u16string createLongName(std::string_view fileName) {
    std::u16string units = text::toWide(fileName);
    units.resize(std::min(units.size(), kCreateLongNameUnits));
    return units;
}

std::string renameShortName(std::string_view newName) {
    const std::size_t dot = newName.find('.');
    if (dot == kNoDot) return std::string(newName.substr(0, 4));
    return std::string(newName.substr(0, std::min(dot, kBaseLength))) +
           std::string(newName.substr(dot, 4));
}

std::u16string renameLongName(std::string_view newName) {
    std::u16string units = upToNul(text::toWide(newName));
    units.resize(std::min(units.size(), kRenameLongNameUnits));
    return units;
}

namespace {

// Index of the last dot from index 1 on; the name's length when there is none.
std::size_t folderDot(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return dot == kNoDot || dot == 0 ? name.size() : dot;
}

}  // namespace

std::string makeDirectoryShortName(std::string_view name) {
    const std::size_t dot = folderDot(name);
    const std::string_view after = dot < name.size() ? name.substr(dot + 1, 3) : std::string_view{};
    return padded(name.substr(0, std::min(dot, kBaseLength)), kBaseLength) + "." + padded(after, 3);
}

std::u16string makeDirectoryLongName(std::string_view name) {
    const std::size_t dot = folderDot(name);
    if (dot < kBaseLength && name.size() - dot <= 3) return {};
    return text::toWide(name);
}

}  // namespace vox::devsys
