#pragma once
// How PC names become the recorder's 8.3 short names and UTF-16 long names.

#include <cstdint>
#include <string>
#include <string_view>

#include "device_library/firmware.h"
#include "device_library/qvdevsys.h"

namespace vox::devsys {

constexpr std::size_t kCreateLongNameUnits = 65;
constexpr std::size_t kRenameLongNameUnits = 200;

// Where "~N" tails come from. `next` pre-increments the library-wide entry
// counter; `taken` tells whether a short name (as shortNameKey gives it) is
// already on the recorder's folder or was generated since its listing;
// `record` remembers a generated one.
class NameCounter {
  public:
    virtual ~NameCounter() = default;
    virtual int next() = 0;
    virtual bool taken(const std::string& key) const = 0;
    virtual void record(const std::string& key) = 0;
};

// Base and extension, trailing spaces dropped, ASCII capitals, joined by '.':
// the same key for "MEET~12.DVF", "MEET~12 DVF" and a listing's fields.
std::string shortNameKey(std::string_view base, std::string_view extension);
std::string shortNameKey(const DeviceEntry& entry);

// The short name a CREATE carries for the PC file name `fileName`: the
// dotted form below firmware 0x10, the 11-byte upper-case form from 0x10 on.
std::string createShortName(std::string_view fileName, std::uint8_t versionByte,
                            NameCounter& counter);
// The first 65 UTF-16 units of the file name.
std::u16string createLongName(std::string_view fileName);

// RENAME: the first 8 bytes before the first dot (or up to the dot) and up
// to 4 bytes from the dot on; case and firmware play no part.
std::string renameShortName(std::string_view newName);
// The new name in UTF-16, at most 200 units, up to its first NUL.
std::u16string renameLongName(std::string_view newName);

// MAKE_DIR: the 12-byte "8.3" form, space padded, and the long name (empty
// when the name fits the short form).
std::string makeDirectoryShortName(std::string_view name);
std::u16string makeDirectoryLongName(std::string_view name);

}  // namespace vox::devsys
