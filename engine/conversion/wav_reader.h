#pragma once
// Finds the format record and the audio of a RIFF "WAVE" file without
// loading it: only chunk headers and the first bytes of "fmt " are read.

#include <cstdint>
#include <cstdio>
#include <optional>

namespace vox::conversion {

// The first 18 bytes of a "fmt " chunk (a shorter chunk leaves the rest 0).
struct WaveFormat {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;
};

struct WaveLayout {
    WaveFormat format;
    std::uint64_t fileLength = 0;
    std::uint64_t dataOffset = 0;  // first audio byte, from the start of the file
    std::uint32_t dataSize = 0;    // as the "data" chunk header states it
    // The audio bytes the file really holds: dataSize, cut at the end of the
    // file when the chunk claims more than is there.
    std::uint64_t audioBytes() const;
};

// Reads a RIFF "WAVE" file whose "fmt " and "data" chunks may come in any
// order among the RIFF chunk's other chunks. Empty when the file is not a
// RIFF "WAVE" file or either chunk is missing. Leaves the file position
// undefined.
std::optional<WaveLayout> readWaveLayout(std::FILE* file);

// Same, over bytes in memory.
std::optional<WaveLayout> readWaveLayout(const std::uint8_t* bytes, std::size_t size);

// What the encoder accepts: 8 kHz, 16-bit (16,000 bytes a second), mono,
// with some audio present in the file. The format tag and bits-per-sample field are not looked at.
bool isConvertibleWave(const WaveLayout& layout);

}  // namespace vox::conversion
