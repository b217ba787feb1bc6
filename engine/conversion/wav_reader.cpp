#include "engine/conversion/wav_reader.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "engine/conversion/byte_order.h"

namespace vox::conversion {
namespace {

// Reads up to `count` bytes at `offset`; returns how many it got.
using ReadAt =
    std::function<std::size_t(std::uint64_t offset, std::uint8_t* into, std::size_t count)>;

constexpr std::size_t kChunkHeader = 8;
constexpr std::size_t kFormatRecord = 18;

bool hasId(const std::uint8_t* bytes, const char (&id)[5]) {
    return std::memcmp(bytes, id, 4) == 0;
}

WaveFormat decodeFormat(const std::uint8_t (&record)[kFormatRecord]) {
    WaveFormat format;
    format.formatTag = readLe16(record + 0);
    format.channels = readLe16(record + 2);
    format.samplesPerSec = readLe32(record + 4);
    format.avgBytesPerSec = readLe32(record + 8);
    format.blockAlign = readLe16(record + 12);
    format.bitsPerSample = readLe16(record + 14);
    format.extraSize = readLe16(record + 16);
    return format;
}

std::optional<WaveLayout> walkChunks(std::uint64_t fileLength, const ReadAt& readAt) {
    std::uint8_t header[12];
    if (readAt(0, header, sizeof header) != sizeof header) return std::nullopt;
    if (!hasId(header, "RIFF") || !hasId(header + 8, "WAVE")) return std::nullopt;
    // The RIFF chunk bounds the search; a size larger than the file is cut
    // to the file.
    const std::uint64_t riffEnd =
        std::min<std::uint64_t>(kChunkHeader + readLe32(header + 4), fileLength);

    WaveLayout layout;
    layout.fileLength = fileLength;
    bool haveFormat = false;
    bool haveData = false;
    std::uint64_t position = sizeof header;
    while (!(haveFormat && haveData) && position + kChunkHeader <= riffEnd) {
        std::uint8_t chunk[kChunkHeader];
        if (readAt(position, chunk, sizeof chunk) != sizeof chunk) break;
        const std::uint32_t size = readLe32(chunk + 4);
        const std::uint64_t body = position + kChunkHeader;
        if (!haveFormat && hasId(chunk, "fmt ")) {
            std::uint8_t record[kFormatRecord] = {};
            const std::size_t wanted = static_cast<std::size_t>(
                std::min<std::uint64_t>({kFormatRecord, size, riffEnd - body}));
            if (readAt(body, record, wanted) != wanted) break;
            layout.format = decodeFormat(record);
            haveFormat = true;
        } else if (!haveData && hasId(chunk, "data")) {
            layout.dataOffset = body;
            layout.dataSize = size;
            haveData = true;
        }
        // Chunks are padded to an even length.
        position = body + size + (size & 1u);
    }
    if (!haveFormat || !haveData) return std::nullopt;
    return layout;
}

}  // namespace

std::uint64_t WaveLayout::audioBytes() const {
    if (dataOffset >= fileLength) return 0;
    return std::min<std::uint64_t>(dataSize, fileLength - dataOffset);
}

std::optional<WaveLayout> readWaveLayout(std::FILE* file) {
    if (file == nullptr || std::fseek(file, 0, SEEK_END) != 0) return std::nullopt;
    const long length = std::ftell(file);
    if (length < 0) return std::nullopt;
    return walkChunks(
        static_cast<std::uint64_t>(length),
        [file](std::uint64_t offset, std::uint8_t* into, std::size_t count) -> std::size_t {
            if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0) return 0;
            return std::fread(into, 1, count, file);
        });
}

std::optional<WaveLayout> readWaveLayout(const std::uint8_t* bytes, std::size_t size) {
    return walkChunks(size,
                      [bytes, size](std::uint64_t offset, std::uint8_t* into, std::size_t count) {
                          if (offset >= size) return std::size_t{0};
                          const std::size_t available =
                              std::min<std::size_t>(count, size - static_cast<std::size_t>(offset));
                          std::memcpy(into, bytes + offset, available);
                          return available;
                      });
}

bool isConvertibleWave(const WaveLayout& layout) {
    return layout.format.channels == 1 && layout.format.samplesPerSec == 8000 &&
           layout.format.avgBytesPerSec == 16000 && layout.dataSize != 0 &&
           layout.audioBytes() != 0;
}

}  // namespace vox::conversion
