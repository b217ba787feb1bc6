#pragma once
// One recorder folder as the commands see it: the store's total and free
// bytes and the folder's files in the recorder's order, without the "." and
// ".." entries the recorder sends first (row i is listing entry i + 2).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vox::rules {

struct RecorderDate {
    int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

struct ListedFile {
    std::string longName;  // in the PC's code page; used when hasLongName
    bool hasLongName = false;
    std::string baseName;           // the 8.3 base field as stored (trailing spaces kept)
    std::string extension;          // the 8.3 extension field as stored
    std::string shortName;          // the display short name the recorder's commands take
    std::uint8_t attribute = 0x20;  // 0x10 folder, 0x20 file
    std::uint32_t size = 0;
    RecorderDate date;
};

// A folder made inside a recorder folder, listed beside its files.
inline bool isFolder(const ListedFile& file) {
    return (file.attribute & 0x10) != 0;
}

struct RecorderListing {
    std::uint32_t totalBytes = 0;
    std::uint32_t freeBytes = 0;
    std::vector<ListedFile> files;
    // The recorder holds more entries than one listing carries; `files`
    // are the first of them only.
    bool moreThanShown = false;
};

// The name a row shows: its long name, or base "." extension.
std::string entryName(const ListedFile& file);

// The name without the 8.3 fields' padding: the long name, or the base and
// (when there is one) a dot and the extension ("NOTES", "VOICE.DVF").
std::string plainName(const ListedFile& file);

// The row of the first file whose name equals `name`, ignoring case.
std::optional<std::size_t> findFile(const RecorderListing& listing, std::string_view name);
// As findFile, and failing that the first whose plain name matches, for
// names typed by a person.
std::optional<std::size_t> findTypedName(const RecorderListing& listing, std::string_view name);

// Where a PC path's name is looked up: after one trailing separator is
// dropped, what follows the last separator.
std::string_view pcFileName(std::string_view pcPath);

// The date as the list shows it: fields outside their range are replaced
// (day, month, hour, minute and second by 1, a year before 1900 by 1900) and
// values past the end of their unit carry into the next, so 2004-02-30
// becomes 2004-03-01. The calendar has no lower limit of its own: a repaired
// 1900 stays 1900.
RecorderDate shownDate(const RecorderDate& date);
// The shown date as "YYYY-MM-DD HH:MM".
std::string listedDateText(const RecorderDate& date);

}  // namespace vox::rules
