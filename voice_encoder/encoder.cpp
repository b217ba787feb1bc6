#include "voice_encoder/encoder.h"

#include <algorithm>
#include <iterator>

namespace vox::g729 {

namespace {

struct ModeLayout {
    CodingRate rate;
    int slot_bytes;
    int slots;
    int header_bytes;     // every block; mode 0 has a stream header instead
    std::uint8_t header;  // first header byte before masking; the others are 0
};

constexpr ModeLayout kLayouts[3] = {
    {CodingRate::k6400, 8, 64, 0, 0x00},
    {CodingRate::k8000, 10, 51, 2, 0x10},
    {CodingRate::k11800, 18, 28, 8, 0x20},
};
constexpr int kStreamHeaderBytes = 8;
constexpr int kMaxSlotBits = 144;

}  // namespace

int Encoder::samples_per_block(int mode) {
    if (mode < 0 || mode > 2) return 0;
    return kLayouts[mode].slots * kFrame;
}

void Encoder::start_stream() {
    calls_ = 0;
    coder_.reset();
}

bool Encoder::encode_block(const std::int16_t* samples, std::uint8_t* block, int mode) {
    ++calls_;
    if (mode < 0 || mode > 2 || samples == nullptr || block == nullptr) return false;
    const ModeLayout& layout = kLayouts[mode];

    int offset = 0;
    int first_frame = 0;
    if (mode == 0 && calls_ == 1) {
        // the stream header takes the first slot's room, and input frame 0 is
        // not coded
        std::fill(block, block + kStreamHeaderBytes, kMask);
        offset = kStreamHeaderBytes;
        first_frame = 1;
    } else if (layout.header_bytes > 0) {
        std::fill(block, block + layout.header_bytes, kMask);
        block[0] = static_cast<std::uint8_t>(layout.header ^ kMask);
        offset = layout.header_bytes;
    }
    for (int frame = first_frame; offset < static_cast<int>(kBlockBytes); ++frame) {
        code_slot(samples + frame * kFrame, block + offset, mode);
        offset += layout.slot_bytes;
    }
    return true;
}

void Encoder::code_slot(const std::int16_t* frame, std::uint8_t* slot, int mode) {
    const ModeLayout& layout = kLayouts[mode];
    coder_.load_frame(frame);
    const FrameFields p = coder_.code_frame(layout.rate);

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
        slot[byte] = static_cast<std::uint8_t>(v ^ kMask);
    }
}

}  // namespace vox::g729
