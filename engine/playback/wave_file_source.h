#pragma once
// A 16-bit PCM WAV file read in place; a stereo file is heard as the mean
// of its two channels.

#include <cstdio>
#include <memory>

#include "engine/playback/audio_source.h"

namespace vox::playback {

class WaveFileSource final : public AudioSource {
  public:
    // Empty with `error` set when the file cannot be read or holds no 16-bit
    // PCM audio of one or two channels.
    static std::unique_ptr<WaveFileSource> open(const std::string& path, std::string& error);
    ~WaveFileSource() override;

    int sampleRate() const override { return rate_; }
    std::uint64_t length() const override { return length_; }
    std::size_t read(std::int16_t* samples, std::size_t room) override;
    void seek(std::uint64_t sample) override;

  private:
    WaveFileSource(std::FILE* file, int rate, int channels, std::uint64_t dataOffset,
                   std::uint64_t length);

    std::FILE* file_;
    int rate_;
    int channels_;
    std::uint64_t dataOffset_;
    std::uint64_t length_;
    std::uint64_t position_ = 0;
};

}  // namespace vox::playback
