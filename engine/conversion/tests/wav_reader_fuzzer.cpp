// Feeds arbitrary bytes to the WAV reader, from memory and through a file.
#include <cstdio>

#include "engine/conversion/wav_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vox::conversion;
    const auto fromMemory = readWaveLayout(data, size);
    if (fromMemory) {
        (void)isConvertibleWave(*fromMemory);
        if (fromMemory->audioBytes() > size) __builtin_trap();
    }
    std::FILE* file = std::tmpfile();
    if (file == nullptr) return 0;
    std::fwrite(data, 1, size, file);
    const auto fromFile = readWaveLayout(file);
    std::fclose(file);
    if (fromMemory.has_value() != fromFile.has_value()) __builtin_trap();
    if (fromMemory && fromMemory->dataOffset != fromFile->dataOffset) __builtin_trap();
    return 0;
}
