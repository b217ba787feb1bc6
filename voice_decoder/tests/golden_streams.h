#pragma once
// The golden DVF streams of the 6.4 and 11.8 kbit/s rates and their decoded
// outputs, kept in the tree so that any change to those rates' bits shows.
// Each stream is the opening stretch of one conformance input, coded from a
// fresh encoder: two blocks at each rate (1.27 s at 6.4 kbit/s, 0.56 s at
// 11.8 kbit/s), enough to pass through the start of the input, the stream
// header and one ordinary block, at a few kilobytes per stream.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vox::g729::testing {

struct GoldenStream {
    const char* input;  // conformance input NAME.in
    int mode;
    int blocks;
};

inline constexpr GoldenStream kGoldenStreams[] = {
    {"speech", 0, 2}, {"pitch", 0, 2}, {"fixed", 0, 2}, {"tame", 0, 2},
    {"speech", 2, 2}, {"pitch", 2, 2}, {"fixed", 2, 2}, {"tame", 2, 2},
};

// "speech_LP" and the like: the stream's file name without its extension.
std::string golden_name(const GoldenStream& stream);

// The first blocks of `pcm` coded by a fresh encoder (silence after its end).
std::vector<std::uint8_t> encode_stream(const std::vector<std::int16_t>& pcm,
                                        const GoldenStream& stream);

// A whole DVF stream through a fresh decoder.
std::vector<std::int16_t> decode_stream(const std::vector<std::uint8_t>& dvf);

std::vector<std::uint8_t> read_file(const std::filesystem::path& file);
bool write_file(const std::filesystem::path& file, const void* data, std::size_t bytes);

}  // namespace vox::g729::testing
