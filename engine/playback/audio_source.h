#pragma once
// A recording as the player reads it: mono 16-bit samples at the source's
// own rate, with a known length and exact sample positions to seek to.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/conversion/voice_codec.h"

namespace vox::playback {

class AudioSource {
  public:
    virtual ~AudioSource() = default;
    virtual int sampleRate() const = 0;
    // Samples in the whole recording.
    virtual std::uint64_t length() const = 0;
    // Fills up to `room` samples from the current position on; 0 at the end.
    virtual std::size_t read(std::int16_t* samples, std::size_t room) = 0;
    // The next read starts at `sample` (the end when past it).
    virtual void seek(std::uint64_t sample) = 0;
};

// What opening a recording gave: the source, or why there is none.
struct OpenedSource {
    std::unique_ptr<AudioSource> source;
    std::string error;
};

// Opens a ".DVF" voice file (decoded with `codec`) or a WAV file, told apart
// by their content rather than their names.
OpenedSource openRecording(const std::string& path, const conversion::VoiceCodec& codec);

}  // namespace vox::playback
