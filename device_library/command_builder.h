#pragma once
// The recorder's command blocks, byte for byte: '#', a big-endian count N
// of the bytes from the ':' through the closing '.', the store letter or a
// code byte, the operation code, the operands and '.'. Each builder also
// fixes how many bytes go on the wire. A command that would not fit its
// block, or whose N would not fit the single count byte the recorder reads,
// is not built at all.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vox::devsys {

constexpr std::size_t kCommandBlockSize = 64;

struct CommandBlock {
    // Exactly the bytes to write, zero padded where the command is padded.
    std::vector<std::uint8_t> bytes;
};

// 'M' for the main store, 'S' for the other one, none for any other selector.
std::optional<char> storeLetter(int store);

CommandBlock identifyCommand();
// A selector other than the two stores gives a block of zeros.
CommandBlock listStoreCommand(int store);
// The folder name is cut at 8 bytes and at its first byte that is a control
// character, a space or 0x80-0xFF, then space padded to 8 bytes.
CommandBlock listFolderCommand(std::string_view folder);
// FINISH: a whole 64-byte block inside a listing, exactly 6 bytes elsewhere.
CommandBlock finishCommand(bool insideListing);
// A selector other than the two stores gives a block of zeros.
CommandBlock formatCommand(int store);
CommandBlock statusCommand();

struct CreateFields {
    int store = 0;
    std::uint16_t fatDate = 0;
    std::uint16_t fatTime = 0;
    std::uint32_t size = 0;
    std::string shortName;
    std::u16string longName;
};
std::optional<CommandBlock> createCommand(const CreateFields& fields);
std::optional<CommandBlock> readCommand(int store, std::string_view name);
std::optional<CommandBlock> deleteCommand(int store, std::string_view name);
std::optional<CommandBlock> removeDirectoryCommand(int store, std::string_view name);
// Only the position's low byte is sent.
std::optional<CommandBlock> moveCommand(int store, std::string_view name, int position);
std::optional<CommandBlock> renameCommand(int store, std::string_view currentName,
                                          std::string_view newShortName,
                                          std::u16string_view newLongName);
// `shortName` is the 12-byte "8.3" form.
std::optional<CommandBlock> makeDirectoryCommand(int store, std::uint16_t fatDate,
                                                 std::uint16_t fatTime, std::string_view shortName,
                                                 std::u16string_view longName);

}  // namespace vox::devsys
