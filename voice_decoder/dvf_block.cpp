#include "voice_decoder/dvf_block.h"

namespace vox::g729 {
namespace {

const DvfModeLayout& layout_of(Rate rate) {
    return kDvfLayouts[static_cast<int>(rate)];
}

bool has_header(const std::uint8_t* block, Rate rate) {
    const DvfModeLayout& layout = layout_of(rate);
    for (int i = 0; i < layout.header_bytes; ++i) {
        if ((block[i] ^ kScrambleMask) != (i == 0 ? layout.mode_byte : 0)) return false;
    }
    return true;
}

// Reads the frame's bits, most significant first, after unscrambling.
class SlotReader {
  public:
    explicit SlotReader(const std::uint8_t* slot) : slot_(slot) {}
    Word16 take(int width) {
        int value = 0;
        for (int i = 0; i < width; ++i, ++bit_) {
            const int byte = slot_[bit_ / 8] ^ kScrambleMask;
            value = (value << 1) | ((byte >> (7 - bit_ % 8)) & 1);
        }
        return static_cast<Word16>(value);
    }

  private:
    const std::uint8_t* slot_;
    int bit_ = 0;
};

void unpack_subframe(SlotReader& bits, Rate rate, bool first, FrameParameters& frame) {
    SubframeParameters& sub = frame.subframe[first ? 0 : 1];
    switch (rate) {
        case Rate::k6400:
            sub.pitch_index = bits.take(first ? 8 : 4);
            sub.code[0] = bits.take(9);
            sub.sign = bits.take(2);
            sub.gain = bits.take(6);
            break;
        case Rate::k8000:
            sub.pitch_index = bits.take(first ? 8 : 5);
            if (first) frame.parity = bits.take(1);
            sub.code[0] = bits.take(13);
            sub.sign = bits.take(4);
            sub.gain = bits.take(7);
            break;
        case Rate::k11800:
            sub.pitch_index = bits.take(first ? 8 : 5);
            if (first) frame.parity = bits.take(1);
            for (Word16& word : sub.code) word = bits.take(7);
            sub.gain = bits.take(7);
            break;
    }
}

}  // namespace

std::optional<Rate> announced_rate(const std::uint8_t* block) {
    for (Rate rate : {Rate::k6400, Rate::k8000, Rate::k11800}) {
        if (has_header(block, rate)) return rate;
    }
    return std::nullopt;
}

std::optional<BlockLayout> block_layout(const std::uint8_t* block, Rate rate, bool first_block) {
    const int mode = static_cast<int>(rate);
    const DvfModeLayout& layout = kDvfLayouts[mode];
    // a mode-0 stream has its header in the first block only
    if (rate == Rate::k6400 && !first_block)
        return BlockLayout{0, dvf_slots(mode, false), layout.slot_bytes};
    if (!has_header(block, rate)) return std::nullopt;
    return BlockLayout{layout.header_bytes, dvf_slots(mode, true), layout.slot_bytes};
}

FrameParameters unpack_frame(const std::uint8_t* slot, Rate rate) {
    SlotReader bits(slot);
    FrameParameters frame;
    frame.l0_l1 = bits.take(8);
    frame.l2_l3 = bits.take(10);
    unpack_subframe(bits, rate, true, frame);
    unpack_subframe(bits, rate, false, frame);
    return frame;
}

}  // namespace vox::g729
