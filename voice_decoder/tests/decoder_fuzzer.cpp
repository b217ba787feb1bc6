// Decodes arbitrary bytes as a stream of DVF blocks. The first input byte
// chooses the stream's rate header for the first block (or none), so that
// the frame decoding is reached and not only the header checks.
#include <algorithm>
#include <cstring>
#include <vector>

#include "voice_decoder/decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vox::g729;
    if (size == 0) return 0;
    const int header_choice = data[0] % 4;
    ++data;
    --size;
    Decoder decoder;
    std::vector<Word16> samples(kMaxSamplesPerBlock);
    for (std::size_t offset = 0; offset < size; offset += kDvfBlockBytes) {
        std::uint8_t block[kDvfBlockBytes] = {};
        std::memcpy(block, data + offset, std::min<std::size_t>(kDvfBlockBytes, size - offset));
        if (offset == 0 && header_choice < 3) {
            const int header_bytes = header_choice == 1 ? 2 : 8;
            for (int i = 0; i < header_bytes; ++i) block[i] = kScrambleMask;
            block[0] = static_cast<std::uint8_t>((header_choice << 4) ^ kScrambleMask);
        }
        const int count = decoder.decode_block(block, samples.data());
        if (count < 0 || count > kMaxSamplesPerBlock || count % kFrameLength != 0) __builtin_trap();
    }
    return 0;
}
