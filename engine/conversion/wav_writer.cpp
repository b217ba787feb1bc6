#include "engine/conversion/wav_writer.h"

#include <cstring>
#include <limits>

#include "engine/conversion/byte_order.h"

namespace vox::conversion {
namespace {

constexpr std::uint32_t kFormatChunkBytes = 18;
// The RIFF size (file length - 8) must fit 32 bits too.
constexpr std::uint64_t kMaxDataBytes =
    std::numeric_limits<std::uint32_t>::max() - (kWavHeaderBytes - 8);

}  // namespace

void makeWavHeader(std::uint8_t (&header)[kWavHeaderBytes], std::uint32_t dataBytes) {
    std::memcpy(header + 0, "RIFF", 4);
    writeLe32(header + 4, static_cast<std::uint32_t>(kWavHeaderBytes - 8 + dataBytes));
    std::memcpy(header + 8, "WAVE", 4);
    std::memcpy(header + 12, "fmt ", 4);
    writeLe32(header + 16, kFormatChunkBytes);
    writeLe16(header + 20, 1);      // PCM
    writeLe16(header + 22, 1);      // mono
    writeLe32(header + 24, 8000);   // samples per second
    writeLe32(header + 28, 16000);  // bytes per second
    writeLe16(header + 32, 2);      // block alignment
    writeLe16(header + 34, 16);     // bits per sample
    writeLe16(header + 36, 0);      // extra size
    std::memcpy(header + 38, "data", 4);
    writeLe32(header + 42, dataBytes);
}

WavWriter::~WavWriter() {
    close();
}

bool WavWriter::open(const std::string& path) {
    return open(std::fopen(path.c_str(), "wb"));
}

bool WavWriter::open(std::FILE* file) {
    close();
    file_ = file;
    if (file_ == nullptr) return false;
    dataBytes_ = 0;
    std::uint8_t header[kWavHeaderBytes];
    makeWavHeader(header, 0);
    if (std::fwrite(header, 1, sizeof header, file_) != sizeof header || std::fflush(file_) != 0) {
        std::fclose(file_);
        file_ = nullptr;
        return false;
    }
    return true;
}

bool WavWriter::append(const std::int16_t* samples, std::size_t count) {
    if (file_ == nullptr) return false;
    if (dataBytes_ + std::uint64_t{count} * 2 > kMaxDataBytes) return false;
    std::uint8_t bytes[2 * 5120];
    std::size_t done = 0;
    while (done < count) {
        const std::size_t part = std::min(count - done, sizeof bytes / 2);
        for (std::size_t i = 0; i < part; ++i)
            writeLe16(bytes + 2 * i, static_cast<std::uint16_t>(samples[done + i]));
        const std::size_t written = std::fwrite(bytes, 1, 2 * part, file_);
        dataBytes_ += static_cast<std::uint32_t>(written & ~std::size_t{1});
        if (written != 2 * part) return false;
        done += part;
    }
    return true;
}

bool WavWriter::close() {
    if (file_ == nullptr) return false;
    std::uint8_t header[kWavHeaderBytes];
    makeWavHeader(header, dataBytes_);
    bool ok = std::fseek(file_, 0, SEEK_SET) == 0 &&
              std::fwrite(header, 1, sizeof header, file_) == sizeof header;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    return ok;
}

}  // namespace vox::conversion
