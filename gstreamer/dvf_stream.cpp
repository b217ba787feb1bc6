#include "gstreamer/dvf_stream.h"

#include <algorithm>

#include "voice_decoder/frame_decoder.h"
#include "voice_decoder/pitch_lag_decoding.h"

namespace vox::dvf {
namespace {

constexpr int kBitRates[] = {6400, 8000, 11800};

int mode_of(Rate rate) {
    return static_cast<int>(rate);
}

std::uint64_t frame_samples(int frames) {
    return static_cast<std::uint64_t>(frames) * g729::kFrameLength;
}

// The 28 filler bits after the 116 parameter bits of an 11.8 kbit/s slot,
// which the encoder sets to one.
bool filler_intact(const std::uint8_t* slot) {
    const auto plain = [&](int i) { return slot[i] ^ g729::kScrambleMask; };
    return (plain(14) & 0x0F) == 0x0F && plain(15) == 0xFF && plain(16) == 0xFF &&
           plain(17) == 0xFF;
}

}  // namespace

int bit_rate(Rate rate) {
    return kBitRates[mode_of(rate)];
}

std::optional<Rate> rate_of_bit_rate(int bits_per_second) {
    for (int mode = 0; mode < g729::kDvfModes; ++mode) {
        if (kBitRates[mode] == bits_per_second) return static_cast<Rate>(mode);
    }
    return std::nullopt;
}

std::uint64_t samples_in_block(Rate rate, std::uint64_t index) {
    // Only a 6.4 kbit/s stream's first block gives a slot to its header.
    const bool with_header = rate != Rate::k6400 || index == 0;
    return frame_samples(g729::dvf_slots(mode_of(rate), with_header));
}

std::uint64_t first_sample_of_block(Rate rate, std::uint64_t index) {
    if (index == 0) return 0;
    return samples_in_block(rate, 0) + (index - 1) * samples_in_block(rate, 1);
}

std::uint64_t block_holding_sample(Rate rate, std::uint64_t sample) {
    const std::uint64_t first = samples_in_block(rate, 0);
    if (sample < first) return 0;
    return 1 + (sample - first) / samples_in_block(rate, 1);
}

std::uint64_t blocks_in_file(std::uint64_t bytes) {
    return (bytes + kBlockBytes - 1) / kBlockBytes;
}

std::uint64_t samples_in_file(Rate rate, std::uint64_t bytes) {
    return first_sample_of_block(rate, blocks_in_file(bytes));
}

std::optional<ProbeResult> probe(const std::uint8_t* data, std::size_t available,
                                 std::optional<std::uint64_t> file_bytes) {
    if (file_bytes)
        available = static_cast<std::size_t>(std::min<std::uint64_t>(available, *file_bytes));
    const std::size_t blocks = available / kBlockBytes;
    if (blocks == 0) return std::nullopt;
    const std::optional<Rate> rate = g729::announced_rate(data);
    if (!rate) return std::nullopt;
    const bool whole_blocks = file_bytes && *file_bytes % kBlockBytes == 0;
    if (*rate == Rate::k6400) return ProbeResult{*rate, whole_blocks ? 80 : 50};

    // A recording coded here has every header and check right; random
    // slots pass one parity check in two. Some damage is allowed for.
    std::size_t damaged_blocks = 0;
    int frames = 0;
    int consistent = 0;
    for (std::size_t index = 0; index < blocks; ++index) {
        const std::uint8_t* block = data + index * kBlockBytes;
        const auto layout = g729::block_layout(block, *rate, index == 0);
        if (!layout) {
            ++damaged_blocks;
            continue;
        }
        for (int frame = 0; frame < layout->frame_count; ++frame) {
            const std::uint8_t* slot =
                block + layout->first_slot_offset + frame * layout->slot_bytes;
            const g729::FrameParameters parameters = g729::unpack_frame(slot, *rate);
            const bool parity_ok = !g729::pitch_parity_error(parameters.subframe[0].pitch_index,
                                                             parameters.parity, *rate);
            ++frames;
            if (parity_ok && (*rate != Rate::k11800 || filler_intact(slot))) ++consistent;
        }
    }
    if (damaged_blocks * 4 > blocks || consistent * 4 < frames * 3) return std::nullopt;
    if (blocks == 1) return ProbeResult{*rate, 80};
    return ProbeResult{*rate, 99};
}

}  // namespace vox::dvf
