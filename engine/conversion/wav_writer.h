#pragma once
// Writes an 8 kHz, 16-bit mono PCM WAV file as the decode worker makes it:
// a 46-byte header ("fmt " chunk of 18 bytes) whose two sizes are filled in
// when the file is closed, then the samples as they are appended.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace vox::conversion {

inline constexpr std::size_t kWavHeaderBytes = 46;

class WavWriter {
  public:
    WavWriter() = default;
    ~WavWriter();  // closes, filling in the sizes
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Creates or truncates `path` and writes the header with both sizes 0.
    bool open(const std::string& path);
    // The same into a file opened for writing, which the writer then owns.
    bool open(std::FILE* file);
    // Appends samples; fails (writing nothing) when the file cannot take
    // them or the data chunk would outgrow its 32-bit size.
    bool append(const std::int16_t* samples, std::size_t count);
    // Writes the RIFF and data sizes and closes; false if that failed.
    bool close();

    std::uint32_t dataBytes() const { return dataBytes_; }

  private:
    std::FILE* file_ = nullptr;
    std::uint32_t dataBytes_ = 0;
};

// The 46-byte header for `dataBytes` bytes of samples.
void makeWavHeader(std::uint8_t (&header)[kWavHeaderBytes], std::uint32_t dataBytes);

}  // namespace vox::conversion
