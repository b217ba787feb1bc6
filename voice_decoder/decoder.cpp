#include "voice_decoder/decoder.h"

namespace vox::g729 {

void Decoder::reset() {
    rate_.reset();
    rate_known_ = false;
    frames_.reset();
    post_filter_.reset();
    high_pass_.reset();
}

int Decoder::decode_block(const std::uint8_t* block, Word16* samples) {
    const bool first_block = !rate_known_;
    if (first_block) {
        rate_ = announced_rate(block);
        rate_known_ = true;
    }
    if (!rate_) return 0;
    const std::optional<BlockLayout> layout = block_layout(block, *rate_, first_block);
    if (!layout) return 0;

    for (int frame = 0; frame < layout->frame_count; ++frame) {
        const std::uint8_t* slot = block + layout->first_slot_offset + frame * layout->slot_bytes;
        const SynthesisedFrame synthesised = frames_.decode(unpack_frame(slot, *rate_), *rate_);
        Word16* out = samples + frame * kFrameLength;
        post_filter_.process(synthesised.speech, synthesised.filters, synthesised.pitch_delays,
                             out);
        high_pass_.process(out, kFrameLength);
    }
    return layout->frame_count * kFrameLength;
}

}  // namespace vox::g729
