#pragma once
// What the plugin knows of a ".DVF" file without decoding it: a sequence of
// 512-byte voice blocks, the first of which announces the rate, each
// decoding to a fixed number of 8 kHz samples. The sample positions, the
// exact duration and the content check of the type finder are worked out
// here from the decoder's own description of a block.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "voice_decoder/dvf_block.h"

namespace vox::dvf {

using g729::Rate;

inline constexpr int kSampleRate = 8000;
inline constexpr std::size_t kBlockBytes = g729::kDvfBlockBytes;

// The bit rate of a stream (6400, 8000, 11800 bit/s), as the caps carry it.
int bit_rate(Rate rate);
std::optional<Rate> rate_of_bit_rate(int bits_per_second);

// Samples the decoder makes of block `index` of a stream.
std::uint64_t samples_in_block(Rate rate, std::uint64_t index);
// The stream's sample number at which block `index` begins.
std::uint64_t first_sample_of_block(Rate rate, std::uint64_t index);
// The block holding sample `sample`.
std::uint64_t block_holding_sample(Rate rate, std::uint64_t sample);
// Blocks of a file of `bytes`; a short last block counts, as the decoder
// reads it with zeros after its bytes.
std::uint64_t blocks_in_file(std::uint64_t bytes);
// Samples a whole decode of a file of `bytes` gives.
std::uint64_t samples_in_file(Rate rate, std::uint64_t bytes);

// How sure the content makes us that it is a voice file, on GStreamer's
// scale of 1 to 100 (0: it is not one).
struct ProbeResult {
    Rate rate;
    int certainty;
};

// Looks at the first `available` bytes of a file of `file_bytes` (when
// known). Only whole blocks are looked at, so a file shorter than one block
// is never claimed. At 8 and 11.8 kbit/s every block header and the parity
// bit of every frame seen must agree with the rate; at 6.4 kbit/s only the
// stream header is fixed.
std::optional<ProbeResult> probe(const std::uint8_t* data, std::size_t available,
                                 std::optional<std::uint64_t> file_bytes);

}  // namespace vox::dvf
