#pragma once
// Recognising the recorder's reply blocks. Replies are told apart by their
// first three bytes only; a reply that never came leaves a zeroed buffer,
// which fails every test here.

#include <cstdint>
#include <optional>
#include <span>

namespace vox::devsys {

constexpr std::size_t kReplyBlockSize = 64;
constexpr std::size_t kStatusReplySize = 192;
using ReplyView = std::span<const std::uint8_t>;

// 23 00 22: an identify reply, PlayerInfo at bytes 4 to 35.
bool isIdentifyReply(ReplyView reply);
// 23 00 06: a listing reply.
bool isListingReply(ReplyView reply);
// Bytes 6-7 of a listing reply: the length of the directory stream.
std::uint16_t listingStreamLength(ReplyView reply);
// 23 00 04: the first reply of a FORMAT.
bool isFormatReply(ReplyView reply);
// A reply block at all ('#' first).
bool isReplyBlock(ReplyView reply);
// Byte 4: 0 when the command was carried out.
std::uint8_t replyOutcome(ReplyView reply);
// Bytes 3-5 echo ':', the store letter and 'R' (checked only for the two
// stores); the file size follows the echoed name. None when the echo is
// wrong or the size would lie outside the reply block.
std::optional<std::uint32_t> readReplySize(ReplyView reply, int store, std::size_t nameLength);
// Byte 8 of the 192-byte STATUS reply.
std::uint8_t statusValue(ReplyView reply);

}  // namespace vox::devsys
