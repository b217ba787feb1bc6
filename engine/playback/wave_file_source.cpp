#include "engine/playback/wave_file_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "engine/conversion/byte_order.h"
#include "engine/conversion/wav_reader.h"

namespace vox::playback {
namespace {

constexpr std::uint16_t kPcmFormat = 1;
constexpr std::size_t kFramesPerRead = 4096;

}  // namespace

std::unique_ptr<WaveFileSource> WaveFileSource::open(const std::string& path, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = path + ": " + std::strerror(errno);
        return nullptr;
    }
    const std::optional<conversion::WaveLayout> layout = conversion::readWaveLayout(file);
    const conversion::WaveFormat* format = layout ? &layout->format : nullptr;
    if (format == nullptr || format->formatTag != kPcmFormat || format->bitsPerSample != 16 ||
        (format->channels != 1 && format->channels != 2) || format->samplesPerSec == 0 ||
        format->samplesPerSec > 192000) {
        std::fclose(file);
        error = "\"" + path + "\" holds no 16-bit PCM audio of one or two channels.";
        return nullptr;
    }
    const std::uint64_t frameBytes = 2u * format->channels;
    return std::unique_ptr<WaveFileSource>(
        new WaveFileSource(file, static_cast<int>(format->samplesPerSec), format->channels,
                           layout->dataOffset, layout->audioBytes() / frameBytes));
}

WaveFileSource::WaveFileSource(std::FILE* file, int rate, int channels, std::uint64_t dataOffset,
                               std::uint64_t length)
    : file_(file), rate_(rate), channels_(channels), dataOffset_(dataOffset), length_(length) {
    seek(0);
}

WaveFileSource::~WaveFileSource() {
    std::fclose(file_);
}

void WaveFileSource::seek(std::uint64_t sample) {
    position_ = std::min(sample, length_);
    std::fseek(file_, static_cast<long>(dataOffset_ + position_ * 2u * channels_), SEEK_SET);
}

std::size_t WaveFileSource::read(std::int16_t* samples, std::size_t room) {
    const std::size_t frames = static_cast<std::size_t>(
        std::min<std::uint64_t>({room, length_ - position_, kFramesPerRead}));
    std::vector<std::uint8_t> bytes(frames * 2u * channels_);
    const std::size_t got = std::fread(bytes.data(), 2u * channels_, frames, file_);
    for (std::size_t frame = 0; frame < got; ++frame) {
        const std::uint8_t* at = bytes.data() + frame * 2u * channels_;
        int value = static_cast<std::int16_t>(conversion::readLe16(at));
        if (channels_ == 2)
            value = (value + static_cast<std::int16_t>(conversion::readLe16(at + 2))) / 2;
        samples[frame] = static_cast<std::int16_t>(value);
    }
    position_ += got;
    return got;
}

}  // namespace vox::playback
