#include "device_library/reply_checks.h"

#include "device_library/command_builder.h"

namespace vox::devsys {
namespace {

bool hasHeader(ReplyView reply, std::uint8_t length) {
    return reply.size() >= 3 && reply[0] == 0x23 && reply[1] == 0x00 && reply[2] == length;
}

std::uint8_t byteAt(ReplyView reply, std::size_t offset) {
    return offset < reply.size() ? reply[offset] : 0;
}

}  // namespace

bool isIdentifyReply(ReplyView reply) {
    return hasHeader(reply, 0x22);
}
bool isListingReply(ReplyView reply) {
    return hasHeader(reply, 0x06);
}
bool isFormatReply(ReplyView reply) {
    return hasHeader(reply, 0x04);
}
bool isReplyBlock(ReplyView reply) {
    return byteAt(reply, 0) == 0x23;
}

std::uint16_t listingStreamLength(ReplyView reply) {
    return static_cast<std::uint16_t>(byteAt(reply, 6) << 8 | byteAt(reply, 7));
}

std::uint8_t replyOutcome(ReplyView reply) {
    return byteAt(reply, 4);
}

std::optional<std::uint32_t> readReplySize(ReplyView reply, int store, std::size_t nameLength) {
    if (const auto letter = storeLetter(store)) {
        if (byteAt(reply, 3) != 0x3A || byteAt(reply, 4) != static_cast<std::uint8_t>(*letter) ||
            byteAt(reply, 5) != 0x52) {
            return std::nullopt;
        }
    }
    const std::size_t offset = 6 + nameLength;
    if (offset + 4 > reply.size() || offset + 4 > kReplyBlockSize) return std::nullopt;
    return static_cast<std::uint32_t>(reply[offset]) << 24 |
           static_cast<std::uint32_t>(reply[offset + 1]) << 16 |
           static_cast<std::uint32_t>(reply[offset + 2]) << 8 | reply[offset + 3];
}

std::uint8_t statusValue(ReplyView reply) {
    return byteAt(reply, 8);
}

}  // namespace vox::devsys
