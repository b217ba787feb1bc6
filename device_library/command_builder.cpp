#include "device_library/command_builder.h"

#include "device_library/qvdevsys.h"

namespace vox::devsys {
namespace {

constexpr std::uint8_t kHash = 0x23;
constexpr std::uint8_t kColon = 0x3A;
constexpr std::uint8_t kDot = 0x2E;
constexpr std::size_t kMaxCount = 255;  // N travels in one byte

enum class Written { Block, Exact, Padded };

// Collects the bytes between ':' and '.', then frames them.
class CommandWriter {
  public:
    CommandWriter& byte(std::uint8_t value) {
        body_.push_back(value);
        return *this;
    }
    CommandWriter& word(std::uint16_t value) {
        return byte(static_cast<std::uint8_t>(value >> 8)).byte(static_cast<std::uint8_t>(value));
    }
    CommandWriter& dword(std::uint32_t value) {
        return word(static_cast<std::uint16_t>(value >> 16))
            .word(static_cast<std::uint16_t>(value));
    }
    CommandWriter& text(std::string_view bytes) {
        body_.insert(body_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    CommandWriter& utf16(std::u16string_view units) {
        for (const char16_t unit : units) {
            byte(static_cast<std::uint8_t>(unit)).byte(static_cast<std::uint8_t>(unit >> 8));
        }
        return *this;
    }

    std::optional<CommandBlock> frame(Written written) const {
        const std::size_t count = body_.size() + 2;  // ':' .. '.'
        const std::size_t length = count + 3;
        if (count > kMaxCount) return std::nullopt;
        if (written == Written::Block && length > kCommandBlockSize) return std::nullopt;
        std::size_t total = length;
        if (written == Written::Block) total = kCommandBlockSize;
        if (written == Written::Padded)
            total = (length / kCommandBlockSize + 1) * kCommandBlockSize;

        CommandBlock block;
        block.bytes.assign(total, 0);
        block.bytes[0] = kHash;
        block.bytes[1] = 0x00;
        block.bytes[2] = static_cast<std::uint8_t>(count);
        block.bytes[3] = kColon;
        std::copy(body_.begin(), body_.end(), block.bytes.begin() + 4);
        block.bytes[length - 1] = kDot;
        return block;
    }

  private:
    std::vector<std::uint8_t> body_;
};

std::uint8_t letterOrMain(int store) {
    return static_cast<std::uint8_t>(storeLetter(store).value_or('M'));
}

CommandBlock zeroBlock() {
    return CommandBlock{std::vector<std::uint8_t>(kCommandBlockSize, 0)};
}

// Commands that always fit.
CommandBlock fixed(const CommandWriter& writer, Written written) {
    return *writer.frame(written);
}

std::optional<CommandBlock> nameCommand(int store, std::uint8_t code, std::string_view name) {
    return CommandWriter().byte(letterOrMain(store)).byte(code).text(name).frame(Written::Block);
}

bool isNameByte(char byte) {
    return static_cast<signed char>(byte) > 0x20;
}

}  // namespace

std::optional<char> storeLetter(int store) {
    if (store == STORE_MAIN) return 'M';
    if (store == STORE_ALT) return 'S';
    return std::nullopt;
}

CommandBlock identifyCommand() {
    return fixed(CommandWriter().byte(0x59), Written::Block);
}

CommandBlock listStoreCommand(int store) {
    const auto letter = storeLetter(store);
    if (!letter) return zeroBlock();
    return fixed(CommandWriter().byte(static_cast<std::uint8_t>(*letter)).byte(0x47),
                 Written::Block);
}

CommandBlock listFolderCommand(std::string_view folder) {
    std::string name;
    for (const char byte : folder.substr(0, 8)) {
        if (!isNameByte(byte)) break;
        name += byte;
    }
    name.resize(8, ' ');
    return fixed(CommandWriter().byte('M').byte(0x67).text(name), Written::Block);
}

CommandBlock finishCommand(bool insideListing) {
    return fixed(CommandWriter().byte(0x46), insideListing ? Written::Block : Written::Exact);
}

CommandBlock formatCommand(int store) {
    const auto letter = storeLetter(store);
    if (!letter) return zeroBlock();
    return fixed(CommandWriter().byte(static_cast<std::uint8_t>(*letter)).byte(0x46),
                 Written::Block);
}

CommandBlock statusCommand() {
    return fixed(CommandWriter().byte(0x90).byte(0x53), Written::Block);
}

std::optional<CommandBlock> createCommand(const CreateFields& fields) {
    if (fields.shortName.size() > 0xFFFF || fields.longName.size() * 2 > 0xFFFF)
        return std::nullopt;
    return CommandWriter()
        .byte(letterOrMain(fields.store))
        .byte(0x90)
        .byte(0x17)
        .byte(0x02)
        .byte(0x20)
        .word(fields.fatDate)
        .word(fields.fatTime)
        .dword(fields.size)
        .byte(0x32)
        .word(static_cast<std::uint16_t>(fields.shortName.size()))
        .text(fields.shortName)
        .word(static_cast<std::uint16_t>(fields.longName.size() * 2))
        .utf16(fields.longName)
        .frame(Written::Padded);
}

std::optional<CommandBlock> readCommand(int store, std::string_view name) {
    return CommandWriter().byte(letterOrMain(store)).byte(0x52).text(name).frame(Written::Exact);
}

std::optional<CommandBlock> deleteCommand(int store, std::string_view name) {
    return nameCommand(store, 0x45, name);
}

std::optional<CommandBlock> removeDirectoryCommand(int store, std::string_view name) {
    return nameCommand(store, 0xE1, name);
}

std::optional<CommandBlock> moveCommand(int store, std::string_view name, int position) {
    return CommandWriter()
        .byte(letterOrMain(store))
        .byte(0x50)
        .text(name)
        .byte(static_cast<std::uint8_t>(position & 0xFF))
        .frame(Written::Block);
}

std::optional<CommandBlock> renameCommand(int store, std::string_view currentName,
                                          std::string_view newShortName,
                                          std::u16string_view newLongName) {
    if (currentName.size() > kMaxCount || newShortName.size() > kMaxCount ||
        newLongName.size() > kMaxCount) {
        return std::nullopt;
    }
    return CommandWriter()
        .byte(letterOrMain(store))
        .byte(0x4E)
        .word(static_cast<std::uint16_t>(currentName.size()))
        .text(currentName)
        .word(static_cast<std::uint16_t>(newShortName.size()))
        .text(newShortName)
        .word(static_cast<std::uint16_t>(newLongName.size() * 2))
        .utf16(newLongName)
        .frame(Written::Exact);
}

std::optional<CommandBlock> makeDirectoryCommand(int store, std::uint16_t fatDate,
                                                 std::uint16_t fatTime, std::string_view shortName,
                                                 std::u16string_view longName) {
    if (shortName.size() > kMaxCount || longName.size() > kMaxCount) return std::nullopt;
    return CommandWriter()
        .byte(letterOrMain(store))
        .byte(0xE0)
        .word(fatDate)
        .word(fatTime)
        .word(static_cast<std::uint16_t>(shortName.size()))
        .text(shortName)
        .word(static_cast<std::uint16_t>(longName.size() * 2))
        .utf16(longName)
        .frame(Written::Exact);
}

}  // namespace vox::devsys
