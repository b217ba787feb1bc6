#pragma once
// The 512-byte DVF voice block, as the encoder writes it and the decoder reads
// it. Every byte of a block is stored combined with the scramble mask by
// exclusive or. A block opens with a header (the plain first byte carries the
// quality mode in its high four bits, the other header bytes are zero) and
// frame slots fill the rest of it. Mode 0 carries its header, the stream
// header, in the first block of a stream only; its later blocks are all slots.
// A slot holds the frame's fields in order, each most significant bit first,
// bit i of the frame in byte i / 8 at bit 7 - i % 8; bits that no field fills
// are ones.

#include <cstdint>

namespace vox::g729 {

inline constexpr int kDvfBlockBytes = 512;
inline constexpr std::uint8_t kScrambleMask = 0xA5;
inline constexpr int kDvfModes = 3;

struct DvfModeLayout {
    int header_bytes;
    std::uint8_t mode_byte;  // the header's first byte before scrambling
    int slot_bytes;
};

// Indexed by quality mode: 6.4, 8 and 11.8 kbit/s.
inline constexpr DvfModeLayout kDvfLayouts[kDvfModes] = {
    {8, 0x00, 8},
    {2, 0x10, 10},
    {8, 0x20, 18},
};

// Frame slots of a block of `mode` with or without its header.
constexpr int dvf_slots(int mode, bool with_header) {
    const DvfModeLayout& layout = kDvfLayouts[mode];
    return (kDvfBlockBytes - (with_header ? layout.header_bytes : 0)) / layout.slot_bytes;
}

}  // namespace vox::g729
