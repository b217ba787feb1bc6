#pragma once
// The stream encoder behind the exports: frames of PCM through the frame
// coder, their parameter bits packed into the slots of 512-byte DVF blocks.
//
// Block layouts (every byte combined with the mask 0xA5 by exclusive or):
//   mode 0, 6.4 kbit/s:  first block of a stream: 8-byte stream header (zero
//                        bytes), 63 slots of 8 bytes from input frames 1..63;
//                        later blocks: 64 slots from frames 0..63
//   mode 1, 8 kbit/s:    header 0x10 0x00, 51 slots of 10 bytes
//   mode 2, 11.8 kbit/s: header 0x20 and seven zero bytes, 28 slots of 18
//                        bytes: 116 parameter bits, then 28 one bits
// A slot holds the frame's fields in order, each most significant bit first,
// bit i of the frame in byte i / 8 at bit 7 - i % 8.

#include <cstddef>
#include <cstdint>

#include "voice_encoder/frame_coder.h"

namespace vox::g729 {

class Encoder {
  public:
    static constexpr std::size_t kBlockBytes = 512;
    static constexpr std::uint8_t kMask = 0xA5;

    // Samples one call consumes in the mode, 0 for an unknown mode.
    static int samples_per_block(int mode);

    // Start of a stream (Ravelle_initEncoder).
    void start_stream();

    // Codes one block; false (nothing read or written) for an unknown mode.
    bool encode_block(const std::int16_t* samples, std::uint8_t* block, int mode);

  private:
    void code_slot(const std::int16_t* frame, std::uint8_t* slot, int mode);

    std::uint64_t calls_ = 0;  // since the start of the stream
    FrameCoder coder_;
};

}  // namespace vox::g729
