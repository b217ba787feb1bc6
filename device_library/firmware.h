#pragma once
// What the recorder's firmware version decides, in one place for the device
// library and everything above it. The version travels as one byte: the
// major digit in the high nibble, the minor digit in the low one ("1.0" is
// 0x10).

#include <cstdint>

#include "device_library/qvdevsys.h"

namespace vox::devsys {

// From this version byte on, the recorder takes 11-byte short names, its
// listings join base and extension without a dot, and MOVE changes a
// folder's play order.
constexpr std::uint8_t kNewerFirmware = 0x10;

// The version byte of the identify payload's two ASCII digits.
constexpr std::uint8_t firmwareVersionByte(const PlayerInfo& info) {
    const auto major = static_cast<unsigned>(static_cast<std::uint8_t>(info.versionMajor));
    const auto minor = static_cast<unsigned>(static_cast<std::uint8_t>(info.versionMinor));
    return static_cast<std::uint8_t>((major << 4) | ((minor - 0x30) & 0xFF));
}

// Whether the recorder keeps a play order that MOVE can change.
constexpr bool canReorder(std::uint8_t versionByte) {
    return versionByte >= kNewerFirmware;
}

}  // namespace vox::devsys
