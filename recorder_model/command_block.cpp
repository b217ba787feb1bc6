#include "recorder_model/command_block.h"

#include <algorithm>

namespace vox::model::command {

namespace {

constexpr std::uint8_t kHash = 0x23;
constexpr std::uint8_t kColon = 0x3A;
constexpr std::uint8_t kDot = 0x2E;

enum class Written { Block64, Exact, Padded };

std::string hex(unsigned value) {
    static constexpr char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[(value >> 4) & 0xF] + digits[value & 0xF];
}

// Walks the operands between the operation code and the closing '.'.
class Operands {
  public:
    explicit Operands(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint8_t byte() { return take(1) ? bytes_[pos_ - 1] : 0; }
    std::uint16_t be16() {
        if (!take(2)) return 0;
        return static_cast<std::uint16_t>(bytes_[pos_ - 2] << 8 | bytes_[pos_ - 1]);
    }
    std::uint32_t be32() {
        std::uint32_t high = be16();
        return high << 16 | be16();
    }
    std::string text(std::size_t length) {
        if (!take(length)) return {};
        return std::string(reinterpret_cast<const char*>(bytes_.data() + pos_ - length), length);
    }
    // UTF-16LE code units filling `byteCount` bytes; an odd count is malformed.
    std::u16string utf16(std::size_t byteCount) {
        if (byteCount % 2 != 0 || !take(byteCount)) {
            ok_ = false;
            return {};
        }
        std::u16string units(byteCount / 2, u'\0');
        const std::uint8_t* at = bytes_.data() + pos_ - byteCount;
        for (auto& unit : units) {
            unit = static_cast<char16_t>(at[0] | at[1] << 8);
            at += 2;
        }
        return units;
    }
    bool expect(std::uint8_t value) { return byte() == value && ok_; }
    // True when every operand was present and nothing is left over.
    bool complete() const { return ok_ && pos_ == bytes_.size(); }

  private:
    bool take(std::size_t length) {
        if (!ok_ || bytes_.size() - pos_ < length) {
            ok_ = false;
            return false;
        }
        pos_ += length;
        return true;
    }
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

bool zerosFrom(std::span<const std::uint8_t> written, std::size_t from) {
    return std::all_of(written.begin() + static_cast<std::ptrdiff_t>(from), written.end(),
                       [](std::uint8_t b) { return b == 0; });
}

bool checkWritten(std::span<const std::uint8_t> written, std::size_t length, Written rule,
                  std::string& error) {
    std::size_t expected = length;
    if (rule == Written::Block64) expected = 64;
    if (rule == Written::Padded) expected = (length / 64 + 1) * 64;
    if (written.size() != expected || length > expected) {
        error = "command written as " + std::to_string(written.size()) + " bytes, expected " +
                std::to_string(expected);
        return false;
    }
    if (!zerosFrom(written, length)) {
        error = "command block padding is not zero";
        return false;
    }
    return true;
}

bool storeLetter(std::uint8_t byte, char& store, std::string& error) {
    if (byte != kMainStore && byte != kAltStore) {
        error = "store letter " + hex(byte) + " is neither 'M' nor 'S'";
        return false;
    }
    store = static_cast<char>(byte);
    return true;
}

// Parses the operands of a command with a store letter and operation code.
bool parseStoreCommand(std::span<const std::uint8_t> written, std::size_t length, char store,
                       std::uint8_t code, Command& command, std::string& error) {
    Operands ops(written.subspan(6, length - 7));
    std::size_t n = length - 7;  // operand bytes
    auto malformed = [&](const char* name) {
        error = std::string(name) + " operands are malformed";
        return false;
    };
    switch (code) {
        case 0x47:  // LIST_STORE
            if (n != 0) return malformed("LIST_STORE");
            command = ListStore{store};
            return checkWritten(written, length, Written::Block64, error);
        case 0x67:  // LIST_FOLDER
            if (store != kMainStore || n != 8) return malformed("LIST_FOLDER");
            command = ListFolder{ops.text(8)};
            return checkWritten(written, length, Written::Block64, error);
        case 0x46:  // FORMAT
            if (n != 0) return malformed("FORMAT");
            command = Format{store};
            return checkWritten(written, length, Written::Block64, error);
        case 0x52:  // READ
            if (n == 0) return malformed("READ");
            command = Read{store, ops.text(n)};
            return checkWritten(written, length, Written::Exact, error);
        case 0x45:  // DELETE
            if (n == 0) return malformed("DELETE");
            command = Delete{store, ops.text(n)};
            return checkWritten(written, length, Written::Block64, error);
        case 0xE1:  // REMOVE_DIR
            if (n == 0) return malformed("REMOVE_DIR");
            command = RemoveDir{store, ops.text(n)};
            return checkWritten(written, length, Written::Block64, error);
        case 0x50: {  // MOVE
            if (n < 2) return malformed("MOVE");
            Move move{store, ops.text(n - 1), ops.byte()};
            command = std::move(move);
            return checkWritten(written, length, Written::Block64, error);
        }
        case 0x90: {  // CREATE
            Create create{store, {}, 0, {}, {}};
            if (!ops.expect(0x17) || !ops.expect(0x02) || !ops.expect(0x20))
                return malformed("CREATE");
            create.stamp.date = ops.be16();
            create.stamp.time = ops.be16();
            create.size = ops.be32();
            if (!ops.expect(0x32)) return malformed("CREATE");
            create.shortName = ops.text(ops.be16());
            create.longName = ops.utf16(ops.be16());
            if (!ops.complete()) return malformed("CREATE");
            command = std::move(create);
            return checkWritten(written, length, Written::Padded, error);
        }
        case 0x4E: {  // RENAME
            Rename rename{store, {}, {}, {}};
            rename.currentName = ops.text(ops.be16());
            rename.newShortName = ops.text(ops.be16());
            rename.newLongName = ops.utf16(ops.be16());
            if (!ops.complete() || rename.currentName.empty()) return malformed("RENAME");
            command = std::move(rename);
            return checkWritten(written, length, Written::Exact, error);
        }
        case 0xE0: {  // MAKE_DIR
            MakeDir make{store, {}, {}, {}};
            make.stamp.date = ops.be16();
            make.stamp.time = ops.be16();
            if (ops.be16() != 12) return malformed("MAKE_DIR");
            make.shortName = ops.text(12);
            make.longName = ops.utf16(ops.be16());
            if (!ops.complete()) return malformed("MAKE_DIR");
            command = std::move(make);
            return checkWritten(written, length, Written::Exact, error);
        }
        default:
            error = "unknown operation code " + hex(code);
            return false;
    }
}

}  // namespace

bool parse(std::span<const std::uint8_t> written, Command& command, std::string& error) {
    if (written.size() < 6 || written[0] != kHash) {
        error = "command block does not start with '#'";
        return false;
    }
    std::size_t count = static_cast<std::size_t>(written[1] << 8 | written[2]);
    if (count > 255) {
        error = "command count N is " + std::to_string(count) + ", above 255";
        return false;
    }
    if (count < 3 || written[3] != kColon) {
        error = "command block has no ':' after its count";
        return false;
    }
    std::size_t length = count + 3;  // '#', N, and N bytes through the '.'
    if (written.size() < length) {
        error = "command block of " + std::to_string(written.size()) +
                " bytes ends before its closing '.' at offset " + std::to_string(length - 1);
        return false;
    }
    if (written[length - 1] != kDot) {
        error = "no closing '.' at offset " + std::to_string(length - 1);
        return false;
    }
    if (count == 3 && written[4] == 0x59) {  // IDENTIFY
        command = Identify{};
        return checkWritten(written, length, Written::Block64, error);
    }
    if (count == 3 && written[4] == 0x46) {  // FINISH: 6 bytes, or 64 inside a listing
        command = Finish{written.size()};
        return written.size() == length || checkWritten(written, length, Written::Block64, error);
    }
    if (count == 4 && written[4] == 0x90 && written[5] == 0x53) {  // STATUS
        command = Status{};
        return checkWritten(written, length, Written::Block64, error);
    }
    char store = kMainStore;
    if (count < 4 || !storeLetter(written[4], store, error)) {
        if (error.empty()) error = "command block too short for a store and operation";
        return false;
    }
    return parseStoreCommand(written, length, store, written[5], command, error);
}

}  // namespace vox::model::command
