#pragma once
// The voice decoder: one 512-byte DVF block per call, in stream order, into
// up to 5,120 samples of 8 kHz speech. The first block of a stream sets its
// rate; the blocks after it are decoded at that rate.

#include <cstdint>
#include <optional>

#include "voice_decoder/frame_decoder.h"
#include "voice_decoder/post_processing.h"

namespace vox::g729 {

inline constexpr int kMaxSamplesPerBlock = 64 * kFrameLength;

class Decoder {
  public:
    Decoder() { reset(); }
    // Starts a new stream.
    void reset();

    // Decodes `block` (512 bytes) into `samples` (room for
    // kMaxSamplesPerBlock) and returns how many it wrote: 0 when the block is
    // not a block of the stream's rate, or the stream's first block announced
    // no known rate.
    int decode_block(const std::uint8_t* block, Word16* samples);

    std::optional<Rate> rate() const { return rate_; }

  private:
    std::optional<Rate> rate_;
    bool rate_known_ = false;  // a first block has been seen
    FrameDecoder frames_;
    PostFilter post_filter_;
    HighPassPostFilter high_pass_;
};

}  // namespace vox::g729
