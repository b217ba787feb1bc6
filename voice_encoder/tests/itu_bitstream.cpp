#include "voice_encoder/tests/itu_bitstream.h"

#include <fstream>
#include <iterator>

namespace vox::g729::testing {

namespace {

constexpr std::uint16_t kSync = 0x6B21;
constexpr std::uint16_t kZero = 0x007F;
constexpr std::uint16_t kOne = 0x0081;

std::optional<std::vector<std::uint8_t>> read_bytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

std::optional<std::vector<FrameBits>> read_itu_bitstream(const std::filesystem::path& file) {
    const auto bytes = read_bytes(file);
    if (!bytes || bytes->size() % 2 != 0) return std::nullopt;
    std::vector<std::uint16_t> words(bytes->size() / 2);
    for (std::size_t i = 0; i < words.size(); ++i) {
        words[i] = static_cast<std::uint16_t>((*bytes)[2 * i] | ((*bytes)[2 * i + 1] << 8));
    }
    std::vector<FrameBits> frames;
    for (std::size_t at = 0; at < words.size();) {
        if (words.size() - at < 2 || words[at] != kSync) return std::nullopt;
        const std::size_t count = words[at + 1];
        at += 2;
        if (words.size() - at < count) return std::nullopt;
        FrameBits bits(count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint16_t w = words[at + i];
            if (w != kZero && w != kOne) return std::nullopt;
            bits[i] = w == kOne;
        }
        at += count;
        frames.push_back(std::move(bits));
    }
    return frames;
}

std::optional<std::vector<int>> split_fields(const FrameBits& bits,
                                             const std::vector<int>& widths) {
    std::vector<int> fields;
    std::size_t at = 0;
    for (const int w : widths) {
        if (at + static_cast<std::size_t>(w) > bits.size()) return std::nullopt;
        int v = 0;
        for (int b = 0; b < w; ++b) v = (v << 1) | (bits[at++] ? 1 : 0);
        fields.push_back(v);
    }
    if (at != bits.size()) return std::nullopt;
    return fields;
}

std::optional<std::vector<std::int16_t>> read_pcm(const std::filesystem::path& file) {
    const auto bytes = read_bytes(file);
    if (!bytes) return std::nullopt;
    std::vector<std::int16_t> samples(bytes->size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>((*bytes)[2 * i] | ((*bytes)[2 * i + 1] << 8));
    }
    return samples;
}

const std::vector<int>& widths_8k() {
    static const std::vector<int> widths = {8, 10, 8, 1, 13, 4, 7, 5, 13, 4, 7};
    return widths;
}

}  // namespace vox::g729::testing
