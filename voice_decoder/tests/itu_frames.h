#pragma once
// The G.729 conformance vectors as the decoder tests use them: ITU serial
// bitstreams turned into the recorder's mode-1 blocks, and PCM files.

#include <cstdint>
#include <string>
#include <vector>

namespace vox::g729::testing {

using Block = std::vector<std::uint8_t>;

// The 80 bits of every frame of an ITU serial file (sync word, length word,
// then one word per bit); empty if the file cannot be read.
std::vector<std::vector<bool>> read_itu_frames(const std::string& path);

// The frames packed 51 to a mode-1 block behind its 2-byte header, scrambled;
// the last block is completed with copies of the last frame.
std::vector<Block> mode1_blocks(const std::vector<std::vector<bool>>& frames);

// 16-bit little-endian samples of a PCM file.
std::vector<std::int16_t> read_pcm(const std::string& path);

}  // namespace vox::g729::testing
