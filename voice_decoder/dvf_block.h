#pragma once
// The 512-byte voice block of a ".DVF" file, as the decoder reads it: its
// header, its frame slots and the parameter fields of every frame.

#include <cstdint>
#include <optional>

#include "voice_encoder/basic_ops.h"
#include "voice_encoder/dvf_layout.h"

namespace vox::g729 {

// The stream's rate; the values are the recorder's quality modes.
enum class Rate { k6400 = 0, k8000 = 1, k11800 = 2 };

struct SubframeParameters {
    Word16 pitch_index = 0;  // P1 (8 bits) or P2 (5 bits, 4 at 6.4 kbit/s)
    Word16 code[5] = {};     // C, or the five 7-bit words at 11.8 kbit/s
    Word16 sign = 0;         // S (none at 11.8 kbit/s)
    Word16 gain = 0;         // combined first- and second-stage gain index
};

struct FrameParameters {
    Word16 l0_l1 = 0;
    Word16 l2_l3 = 0;
    Word16 parity = 0;  // P0 (none at 6.4 kbit/s)
    SubframeParameters subframe[2];
};

// Where the frames of one block lie.
struct BlockLayout {
    int first_slot_offset;
    int frame_count;
    int slot_bytes;
};

// The rate a stream's first block announces: a mode-0 stream header (eight
// zero bytes before scrambling) or a mode-1 or mode-2 block header.
std::optional<Rate> announced_rate(const std::uint8_t* block);

// Layout of a block of a stream at `rate`; `first_block` matters for mode 0,
// whose stream header takes the first slot of the first block only. Empty
// when the block does not carry the header its rate requires.
std::optional<BlockLayout> block_layout(const std::uint8_t* block, Rate rate, bool first_block);

// The parameter fields of one scrambled frame slot of `rate`.
FrameParameters unpack_frame(const std::uint8_t* slot, Rate rate);

}  // namespace vox::g729
