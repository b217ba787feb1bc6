#include "voice_encoder/encoder.h"

#include <algorithm>
#include <iterator>

namespace vox::g729 {

namespace {

constexpr CodingRate kRates[kDvfModes] = {CodingRate::k6400, CodingRate::k8000, CodingRate::k11800};
constexpr int kMaxSlotBits = 144;

}  // namespace

int Encoder::samples_per_block(int mode) {
    if (mode < 0 || mode >= kDvfModes) return 0;
    // a headerless mode-0 block codes the most frames
    return dvf_slots(mode, mode != 0) * kFrame;
}

void Encoder::start_stream() {
    calls_ = 0;
    coder_.reset();
}

bool Encoder::encode_block(const std::int16_t* samples, std::uint8_t* block, int mode) {
    ++calls_;
    if (mode < 0 || mode >= kDvfModes || samples == nullptr || block == nullptr) return false;
    const DvfModeLayout& layout = kDvfLayouts[mode];

    int offset = 0;
    int first_frame = 0;
    if (mode != 0 || calls_ == 1) {
        std::fill(block, block + layout.header_bytes, kScrambleMask);
        block[0] = static_cast<std::uint8_t>(layout.mode_byte ^ kScrambleMask);
        offset = layout.header_bytes;
        if (mode == 0) first_frame = 1;  // the stream header took frame 0's slot
    }
    for (int frame = first_frame; offset < kDvfBlockBytes; ++frame) {
        code_slot(samples + frame * kFrame, block + offset, mode);
        offset += layout.slot_bytes;
    }
    return true;
}

void Encoder::code_slot(const std::int16_t* frame, std::uint8_t* slot, int mode) {
    const DvfModeLayout& layout = kDvfLayouts[mode];
    coder_.load_frame(frame);
    const FrameFields p = coder_.code_frame(kRates[mode]);

    bool bits[kMaxSlotBits];
    std::fill(std::begin(bits), std::end(bits), true);  // unused bits read as ones
    int n = 0;
    for (int f = 0; f < p.count; ++f) {
        for (int b = p.width[f] - 1; b >= 0; --b) bits[n++] = ((p.value[f] >> b) & 1) != 0;
    }
    for (int byte = 0; byte < layout.slot_bytes; ++byte) {
        std::uint8_t v = 0;
        for (int b = 0; b < 8; ++b)
            v = static_cast<std::uint8_t>((v << 1) | (bits[byte * 8 + b] ? 1 : 0));
        slot[byte] = static_cast<std::uint8_t>(v ^ kScrambleMask);
    }
}

}  // namespace vox::g729
