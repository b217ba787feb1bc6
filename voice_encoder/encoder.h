#pragma once
// The stream encoder behind the exports: frames of PCM through the frame
// coder, their parameter bits packed into the slots of 512-byte DVF blocks
// (dvf_layout.h). The first block of a mode-0 stream does not code input
// frame 0: its stream header takes that slot's room.

#include <cstdint>

#include "voice_encoder/dvf_layout.h"
#include "voice_encoder/frame_coder.h"

namespace vox::g729 {

class Encoder {
  public:
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
