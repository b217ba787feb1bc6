#pragma once
// The command blocks the host writes on the out pipe, as the recorder reads
// them: '#', a big-endian count N, ':', the store letter or code byte, the
// operation code and its operands, and a closing '.' at offset 3 + N - 1.
// Each command also has a fixed way of being written (a 64-byte block, its
// exact length, or padded to whole 64-byte packets); anything else is refused.

#include <cstdint>
#include <span>
#include <string>
#include <variant>

#include "recorder_model/flash_file_system.h"

namespace vox::model::command {

struct Identify {};
struct Finish {
    std::size_t written = 0;  // 64 inside a listing, 6 elsewhere
};
struct Status {};
struct ListStore {
    char store = kMainStore;
};
struct ListFolder {
    std::string name;  // 8 bytes, space padded
};
struct Format {
    char store = kMainStore;
};
struct Create {
    char store = kMainStore;
    FatStamp stamp;
    std::uint32_t size = 0;
    std::string shortName;
    std::u16string longName;
};
struct Read {
    char store = kMainStore;
    std::string name;
};
struct Delete {
    char store = kMainStore;
    std::string name;
};
struct RemoveDir {
    char store = kMainStore;
    std::string name;
};
struct Move {
    char store = kMainStore;
    std::string name;
    std::uint8_t position = 0;
};
struct Rename {
    char store = kMainStore;
    std::string currentName;
    std::string newShortName;
    std::u16string newLongName;
};
struct MakeDir {
    char store = kMainStore;
    FatStamp stamp;
    std::string shortName;  // 12 bytes: 8, '.', 3, space padded
    std::u16string longName;
};

using Command = std::variant<Identify, Finish, Status, ListStore, ListFolder, Format, Create, Read,
                             Delete, RemoveDir, Move, Rename, MakeDir>;

// Parses everything the host wrote between a begin-command and an
// end-command request. On a violation returns false with `error` saying what
// was wrong.
bool parse(std::span<const std::uint8_t> written, Command& command, std::string& error);

}  // namespace vox::model::command
