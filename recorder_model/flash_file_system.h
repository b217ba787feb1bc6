#pragma once
// The recorder's flash memory as its firmware keeps it: two stores ('M', the
// main one, and 'S', a second small one), each a tree of FAT folders whose
// entries carry an 8.3 name, an optional long name, a FAT date and time and,
// for files, their bytes. A folder's entry order is its play order. Space is
// handed out in 16 KiB clusters.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vox::model {

constexpr std::uint64_t kClusterBytes = 16 * 1024;
constexpr std::size_t kFolderFileLimit = 99;
// A directory's long-name run has at most 15 entries of 13 UTF-16 units.
constexpr std::size_t kLongNameUnitLimit = 15 * 13;
constexpr char kMainStore = 'M';
constexpr char kAltStore = 'S';

// An 8.3 name as a FAT directory entry stores it: 8 + 3 bytes, space padded.
struct ShortName {
    std::array<char, 8> base{};
    std::array<char, 3> ext{};

    // The 11-byte form without a dot ("SONG    MP3").
    static std::optional<ShortName> fromFixed(std::string_view eleven);
    // The dotted form ("REPORT.WAV", "README"), split at the last dot.
    static std::optional<ShortName> fromDotted(std::string_view text);
    // Folder entries "." and "..", which no command may create.
    static ShortName dotEntry(int dots);

    // The name the host shows for this entry: base and extension joined with
    // a dot by older firmware, without one by firmware 1.x and later.
    std::string display(bool newerFirmware) const;
    // Base and extension with their padding removed, joined by a dot when
    // there is an extension ("HD", "NOTES.TXT").
    std::string plain() const;
    // FAT names compare without regard to ASCII case.
    bool sameAs(const ShortName& other) const;
    bool operator==(const ShortName&) const = default;
};

struct FatStamp {
    std::uint16_t date = 0;
    std::uint16_t time = 0;
    static FatStamp now();
};

using FileBytes = std::shared_ptr<const std::vector<std::uint8_t>>;

struct FlashEntry {
    ShortName shortName;
    std::u16string longName;  // empty when the entry has none
    bool folder = false;
    FatStamp stamp;
    FileBytes content;                 // files only; shared so a read in progress keeps it
    std::vector<FlashEntry> children;  // folders only, in play order

    std::uint64_t size() const { return content ? content->size() : 0; }
    std::size_t fileCount() const;
    // Clusters this entry and everything below it occupy.
    std::uint64_t clusters() const;
    // The child named by the host: its display name under the given firmware.
    FlashEntry* childByDisplayName(std::string_view name, bool newerFirmware);
    // The child whose short name equals `name` in FAT's sense, if any.
    FlashEntry* childNamed(const ShortName& name);
};

struct FlashStore {
    char letter = kMainStore;
    std::uint64_t capacityBytes = 0;  // whole clusters
    FlashEntry root;
};

class FlashFileSystem {
  public:
    // Capacities are rounded down to whole clusters; both stores start formatted.
    FlashFileSystem(std::uint64_t mainCapacity, std::uint64_t altCapacity);

    FlashStore* store(char letter);
    const FlashStore* store(char letter) const;
    std::vector<FlashStore>& stores() { return stores_; }
    const std::vector<FlashStore>& stores() const { return stores_; }

    // Empties a store; the main store gets its folders "A", "B", "C", "MP3", "HD".
    void format(char letter);

    // The folder at `path` below the store's top, its steps separated by '/'
    // and matched against plain short names ("", "HD", "HD/NOTES").
    FlashEntry* folder(char letter, std::string_view path);

    std::uint64_t totalBytes(char letter) const;
    std::uint64_t freeBytes(char letter) const;
    static std::uint64_t clustersFor(std::uint64_t bytes);

    // Seeding for tests and tools: adds a file at the end of a folder, without
    // the recorder's 99-file limit; the name must be a valid dotted 8.3 name,
    // unused in the folder, and the file must fit in the free space.
    bool addFile(char letter, std::string_view folderPath, std::string_view dottedShortName,
                 std::u16string longName, std::vector<std::uint8_t> content, FatStamp stamp,
                 std::string& error);

  private:
    std::vector<FlashStore> stores_;
};

}  // namespace vox::model
