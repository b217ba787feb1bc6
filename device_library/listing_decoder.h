#pragma once
// Decoding of the directory stream that follows a listing's FINISH: two
// big-endian capacity values, then 32-byte FAT directory entries. Long-name
// runs (attribute 0x0F) are rebuilt into the long name of the short entry
// that follows them. A pure function over bytes: it never reads outside
// `stream`, whatever the stream length or the entries claim.

#include <cstdint>
#include <span>

#include "device_library/qvdevsys.h"

namespace vox::devsys {

// Fills `listing` (which must be zeroed) from `stream`, whose first
// `streamLength` bytes are meaningful. Returns false when a long-name run
// does not start with a 0x4N sequence byte; `listing` is then not to be used.
bool decodeDirectoryStream(std::span<const std::uint8_t> stream, std::uint32_t streamLength,
                           std::uint8_t versionByte, DeviceListing& listing);

// Size of the single read that fetches a stream of `streamLength` bytes.
constexpr std::size_t directoryReadSize(std::uint32_t streamLength) {
    return (static_cast<std::size_t>(streamLength) + 1) / 64 * 64 + 64;
}

}  // namespace vox::devsys
