// A fixed workload for instruction-count profiles, which stay repeatable on a
// busy machine where timings do not:
//   valgrind --tool=callgrind voice_coder_profile MODE
//   callgrind_annotate --inclusive=yes callgrind.out.*
// or, block by block per frame, for the encoder or the decoder alone:
//   valgrind --tool=callgrind --callgrind-out-file=enc.out
//       --toggle-collect='vox::g729::Encoder::encode_block*' voice_coder_profile MODE
//   coder_blocks.py enc.out
// Codes the conformance input speech.in (37.5 s) at MODE from a fresh
// encoder, decodes the stream, and prints checksums of both, so that two
// builds can also be compared for identical output.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "voice_decoder/decoder.h"
#include "voice_encoder/encoder.h"

int main(int argc, char** argv) {
    const int mode = argc == 2 ? std::atoi(argv[1]) : -1;
    const int per_block = vox::g729::Encoder::samples_per_block(mode);
    if (per_block == 0) {
        std::fprintf(stderr, "usage: %s MODE (0, 1 or 2)\n", argv[0]);
        return 2;
    }
    std::ifstream in(std::string(VOX_G729_VECTORS) + "/speech.in", std::ios::binary);
    std::vector<std::int16_t> pcm;
    for (std::int16_t s; in.read(reinterpret_cast<char*>(&s), sizeof s);) pcm.push_back(s);
    if (pcm.empty()) {
        std::fprintf(stderr, "speech.in not found under %s\n", VOX_G729_VECTORS);
        return 1;
    }

    vox::g729::Encoder encoder;
    vox::g729::Decoder decoder;
    std::vector<vox::g729::Word16> samples(vox::g729::kMaxSamplesPerBlock);
    std::uint8_t block[vox::g729::kDvfBlockBytes];
    unsigned bits_sum = 0;
    unsigned samples_sum = 0;
    for (std::size_t at = 0; at + static_cast<std::size_t>(per_block) <= pcm.size();
         at += static_cast<std::size_t>(per_block)) {
        encoder.encode_block(pcm.data() + at, block, mode);
        for (const std::uint8_t b : block) bits_sum = bits_sum * 31 + b;
        const int count = decoder.decode_block(block, samples.data());
        for (int i = 0; i < count; ++i)
            samples_sum = samples_sum * 31 + static_cast<std::uint16_t>(samples[i]);
    }
    std::printf("mode %d: stream checksum %08x, decoded checksum %08x\n", mode, bits_sum,
                samples_sum);
    return 0;
}
