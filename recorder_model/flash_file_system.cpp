#include "recorder_model/flash_file_system.h"

#include <algorithm>
#include <ctime>

namespace vox::model {

namespace {

// Bytes a FAT short name may not hold (besides control characters).
constexpr std::string_view kForbiddenNameBytes = "\"*+,./:;<=>?[\\]|";

bool validNameByte(char c) {
    auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && kForbiddenNameBytes.find(c) == std::string_view::npos;
}

// Fills a space-padded field; false when `text` is too long or holds a byte
// a short name may not hold.
template <std::size_t Size>
bool fillField(std::array<char, Size>& field, std::string_view text) {
    if (text.size() > Size || !std::all_of(text.begin(), text.end(), validNameByte)) return false;
    field.fill(' ');
    std::copy(text.begin(), text.end(), field.begin());
    return true;
}

char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

template <std::size_t Size>
bool sameIgnoringCase(const std::array<char, Size>& a, const std::array<char, Size>& b) {
    return std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return asciiUpper(x) == asciiUpper(y); });
}

template <std::size_t Size>
std::string_view withoutPadding(const std::array<char, Size>& field) {
    std::string_view text(field.data(), Size);
    auto last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

std::optional<ShortName> makeName(std::string_view base, std::string_view ext) {
    ShortName name;
    if (base.empty() || base.front() == ' ') return std::nullopt;
    if (!fillField(name.base, base) || !fillField(name.ext, ext)) return std::nullopt;
    return name;
}

}  // namespace

std::optional<ShortName> ShortName::fromFixed(std::string_view eleven) {
    if (eleven.size() != 11) return std::nullopt;
    auto base = eleven.substr(0, 8);
    auto ext = eleven.substr(8);
    return makeName(base, ext);
}

std::optional<ShortName> ShortName::fromDotted(std::string_view text) {
    auto dot = text.rfind('.');
    if (dot == std::string_view::npos) return makeName(text, {});
    return makeName(text.substr(0, dot), text.substr(dot + 1));
}

ShortName ShortName::dotEntry(int dots) {
    ShortName name;
    name.base.fill(' ');
    name.ext.fill(' ');
    std::fill_n(name.base.begin(), dots, '.');
    return name;
}

std::string ShortName::display(bool newerFirmware) const {
    std::string text(base.data(), base.size());
    if (!newerFirmware) text += '.';
    text.append(ext.data(), ext.size());
    return text;
}

std::string ShortName::plain() const {
    std::string text(withoutPadding(base));
    auto extension = withoutPadding(ext);
    if (!extension.empty()) text.append(".").append(extension);
    return text;
}

bool ShortName::sameAs(const ShortName& other) const {
    return sameIgnoringCase(base, other.base) && sameIgnoringCase(ext, other.ext);
}

FatStamp FatStamp::now() {
    std::time_t seconds = std::time(nullptr);
    std::tm local{};
    localtime_r(&seconds, &local);
    int year = std::clamp(local.tm_year + 1900, 1980, 2107);
    return FatStamp{static_cast<std::uint16_t>(((year - 1980) << 9) | ((local.tm_mon + 1) << 5) |
                                               local.tm_mday),
                    static_cast<std::uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) |
                                               (local.tm_sec / 2))};
}

std::size_t FlashEntry::fileCount() const {
    return static_cast<std::size_t>(
        std::count_if(children.begin(), children.end(), [](auto& e) { return !e.folder; }));
}

std::uint64_t FlashEntry::clusters() const {
    if (!folder) return FlashFileSystem::clustersFor(size());
    std::uint64_t total = 0;
    for (const auto& child : children) total += child.clusters();
    return total;
}

FlashEntry* FlashEntry::childByDisplayName(std::string_view name, bool newerFirmware) {
    for (auto& child : children)
        if (child.shortName.display(newerFirmware) == name) return &child;
    return nullptr;
}

FlashEntry* FlashEntry::childNamed(const ShortName& name) {
    for (auto& child : children)
        if (child.shortName.sameAs(name)) return &child;
    return nullptr;
}

FlashFileSystem::FlashFileSystem(std::uint64_t mainCapacity, std::uint64_t altCapacity) {
    for (auto [letter, capacity] :
         {std::pair{kMainStore, mainCapacity}, std::pair{kAltStore, altCapacity}}) {
        FlashStore created;
        created.letter = letter;
        created.capacityBytes = capacity / kClusterBytes * kClusterBytes;
        stores_.push_back(std::move(created));
        format(letter);
    }
}

FlashStore* FlashFileSystem::store(char letter) {
    for (auto& candidate : stores_)
        if (candidate.letter == letter) return &candidate;
    return nullptr;
}

const FlashStore* FlashFileSystem::store(char letter) const {
    return const_cast<FlashFileSystem*>(this)->store(letter);
}

void FlashFileSystem::format(char letter) {
    FlashStore* target = store(letter);
    if (!target) return;
    target->root = FlashEntry{};
    target->root.folder = true;
    target->root.shortName = ShortName::dotEntry(1);
    if (letter != kMainStore) return;
    auto stamp = FatStamp::now();
    for (std::string_view name : {"A", "B", "C", "MP3", "HD"}) {
        FlashEntry folderEntry;
        folderEntry.folder = true;
        folderEntry.shortName = *ShortName::fromDotted(name);
        folderEntry.stamp = stamp;
        target->root.children.push_back(std::move(folderEntry));
    }
}

FlashEntry* FlashFileSystem::folder(char letter, std::string_view path) {
    FlashStore* target = store(letter);
    if (!target) return nullptr;
    FlashEntry* current = &target->root;
    while (!path.empty()) {
        auto slash = path.find('/');
        auto step = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        auto wanted = ShortName::fromDotted(step);
        FlashEntry* next = wanted ? current->childNamed(*wanted) : nullptr;
        if (!next || !next->folder) return nullptr;
        current = next;
    }
    return current;
}

std::uint64_t FlashFileSystem::totalBytes(char letter) const {
    const FlashStore* target = store(letter);
    return target ? target->capacityBytes : 0;
}

std::uint64_t FlashFileSystem::freeBytes(char letter) const {
    const FlashStore* target = store(letter);
    if (!target) return 0;
    std::uint64_t used = target->root.clusters() * kClusterBytes;
    return used >= target->capacityBytes ? 0 : target->capacityBytes - used;
}

std::uint64_t FlashFileSystem::clustersFor(std::uint64_t bytes) {
    return (bytes + kClusterBytes - 1) / kClusterBytes;
}

bool FlashFileSystem::addFile(char letter, std::string_view folderPath,
                              std::string_view dottedShortName, std::u16string longName,
                              std::vector<std::uint8_t> content, FatStamp stamp,
                              std::string& error) {
    FlashEntry* parent = folder(letter, folderPath);
    auto name = ShortName::fromDotted(dottedShortName);
    if (!parent) {
        error = "no folder \"" + std::string(folderPath) + "\"";
    } else if (!name) {
        error = "\"" + std::string(dottedShortName) + "\" is not an 8.3 name";
    } else if (parent->childNamed(*name)) {
        error = "\"" + std::string(dottedShortName) + "\" exists already";
    } else if (longName.size() > kLongNameUnitLimit) {
        error = "the long name is too long";
    } else if (clustersFor(content.size()) * kClusterBytes > freeBytes(letter)) {
        error = "the store is full";
    } else {
        FlashEntry file;
        file.shortName = *name;
        file.longName = std::move(longName);
        file.stamp = stamp;
        file.content = std::make_shared<const std::vector<std::uint8_t>>(std::move(content));
        parent->children.push_back(std::move(file));
        return true;
    }
    return false;
}

}  // namespace vox::model
