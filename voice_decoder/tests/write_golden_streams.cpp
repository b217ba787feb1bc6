// Writes the golden streams and their decoded outputs into a folder:
//   write_golden_streams voice_decoder/tests/golden
// Run it only when a change to the 6.4 or 11.8 kbit/s bits is intended, and
// say why in the commit that carries the new files.

#include <cstdio>
#include <filesystem>

#include "voice_decoder/tests/golden_streams.h"
#include "voice_decoder/tests/itu_frames.h"

using namespace vox::g729::testing;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    for (const GoldenStream& stream : kGoldenStreams) {
        const auto pcm = read_pcm(std::string(VOX_G729_VECTORS) + "/" + stream.input + ".in");
        if (pcm.empty()) {
            std::fprintf(stderr, "cannot read %s.in under %s\n", stream.input, VOX_G729_VECTORS);
            return 1;
        }
        const auto dvf = encode_stream(pcm, stream);
        std::vector<std::uint8_t> decoded;
        for (const std::int16_t sample : decode_stream(dvf)) {
            decoded.push_back(static_cast<std::uint8_t>(sample & 0xFF));
            decoded.push_back(static_cast<std::uint8_t>((sample >> 8) & 0xFF));
        }
        const std::string name = golden_name(stream);
        if (!write_file(folder / (name + ".dvf"), dvf.data(), dvf.size()) ||
            !write_file(folder / (name + ".pcm"), decoded.data(), decoded.size())) {
            std::fprintf(stderr, "cannot write %s under %s\n", name.c_str(), argv[1]);
            return 1;
        }
    }
    return 0;
}
