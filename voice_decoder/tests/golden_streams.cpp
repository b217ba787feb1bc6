#include "voice_decoder/tests/golden_streams.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "voice_decoder/decoder.h"
#include "voice_encoder/encoder.h"

namespace vox::g729::testing {

std::string golden_name(const GoldenStream& stream) {
    static const char* const kSuffix[kDvfModes] = {"_LP", "_SP", "_HQ"};
    return std::string(stream.input) + kSuffix[stream.mode];
}

std::vector<std::uint8_t> encode_stream(const std::vector<std::int16_t>& pcm,
                                        const GoldenStream& stream) {
    const auto per_block = static_cast<std::size_t>(Encoder::samples_per_block(stream.mode));
    std::vector<std::int16_t> input(per_block * static_cast<std::size_t>(stream.blocks), 0);
    std::copy_n(pcm.begin(), std::min(pcm.size(), input.size()), input.begin());

    Encoder encoder;
    std::vector<std::uint8_t> dvf(static_cast<std::size_t>(stream.blocks) * kDvfBlockBytes);
    for (int b = 0; b < stream.blocks; ++b) {
        encoder.encode_block(input.data() + b * per_block, dvf.data() + b * kDvfBlockBytes,
                             stream.mode);
    }
    return dvf;
}

std::vector<std::int16_t> decode_stream(const std::vector<std::uint8_t>& dvf) {
    Decoder decoder;
    std::vector<std::int16_t> pcm;
    std::vector<Word16> samples(kMaxSamplesPerBlock);
    for (std::size_t at = 0; at + kDvfBlockBytes <= dvf.size(); at += kDvfBlockBytes) {
        const int count = decoder.decode_block(dvf.data() + at, samples.data());
        pcm.insert(pcm.end(), samples.begin(), samples.begin() + count);
    }
    return pcm;
}

std::vector<std::uint8_t> read_file(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool write_file(const std::filesystem::path& file, const void* data, std::size_t bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(bytes));
    return static_cast<bool>(out.flush());
}

}  // namespace vox::g729::testing
