#include "voice_decoder/tests/itu_frames.h"

#include <fstream>

namespace vox::g729::testing {
namespace {

constexpr int kFrameBits = 80;
constexpr std::uint16_t kSync = 0x6B21;
constexpr std::uint16_t kOne = 0x0081;

std::vector<std::uint8_t> read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

std::vector<std::vector<bool>> read_itu_frames(const std::string& path) {
    const std::vector<std::uint8_t> bytes = read_bytes(path);
    auto word = [&](std::size_t i) {
        return static_cast<std::uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    };
    std::vector<std::vector<bool>> frames;
    constexpr std::size_t kWords = 2 + kFrameBits;
    for (std::size_t start = 0; 2 * (start + kWords) <= bytes.size(); start += kWords) {
        if (word(start) != kSync || word(start + 1) != kFrameBits) return {};
        std::vector<bool> bits(kFrameBits);
        for (int b = 0; b < kFrameBits; ++b) bits[b] = word(start + 2 + b) == kOne;
        frames.push_back(std::move(bits));
    }
    return frames;
}

std::vector<Block> mode1_blocks(const std::vector<std::vector<bool>>& frames) {
    constexpr int kPerBlock = 51;
    std::vector<Block> blocks;
    for (std::size_t first = 0; first < frames.size(); first += kPerBlock) {
        Block block(512, 0);
        block[0] = 0x10;
        for (int slot = 0; slot < kPerBlock; ++slot) {
            const auto& bits = frames[std::min(first + slot, frames.size() - 1)];
            for (int b = 0; b < kFrameBits; ++b) {
                if (bits[b])
                    block[2 + 10 * slot + b / 8] |= static_cast<std::uint8_t>(0x80 >> (b % 8));
            }
        }
        for (std::uint8_t& byte : block) byte ^= 0xA5;
        blocks.push_back(std::move(block));
    }
    return blocks;
}

std::vector<std::int16_t> read_pcm(const std::string& path) {
    const std::vector<std::uint8_t> bytes = read_bytes(path);
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return samples;
}

}  // namespace vox::g729::testing
