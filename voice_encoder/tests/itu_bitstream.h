#pragma once
// Reader of the ITU-T serial bitstream format of the G.729 test vectors: per
// frame a sync word 0x6B21, a bit count, then one 16-bit word per bit
// (0x007F for 0, 0x0081 for 1), all little-endian.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace vox::g729::testing {

using FrameBits = std::vector<bool>;

// All frames of the file; nullopt when it cannot be read or is malformed
// (wrong sync word, bit word that is neither 0x007F nor 0x0081, truncated).
std::optional<std::vector<FrameBits>> read_itu_bitstream(const std::filesystem::path& file);

// Splits a frame's bits into fields of the given widths, most significant bit
// first; nullopt when the widths do not add up to the frame's bit count.
std::optional<std::vector<int>> split_fields(const FrameBits& bits, const std::vector<int>& widths);

// 16-bit little-endian PCM samples of a file; nullopt when unreadable.
std::optional<std::vector<std::int16_t>> read_pcm(const std::filesystem::path& file);

// Widths of the 8 kbit/s fields: L0L1 L2L3 P1 P0 C1 S1 G1 P2 C2 S2 G2.
const std::vector<int>& widths_8k();

}  // namespace vox::g729::testing
