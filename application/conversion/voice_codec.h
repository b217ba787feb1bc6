#pragma once
// The voice coder calls the conversion workers make, as a table of entry
// points: the real libraries in the program, stand-ins in tests.

#include <cstdint>

namespace vox::conversion {

inline constexpr int kDvfBlockBytes = 512;
inline constexpr int kMaxSamplesPerEncoderCall = 5120;
// Room the decode worker gives the decoder for one block's samples.
inline constexpr int kDecoderSampleRoom = 10240;

struct VoiceCodec {
    int (*initEncoder)();
    // samples: what the mode consumes; block: 512 bytes out; returns 1 or 0.
    int (*voiceEncoder)(const std::int16_t* samples, std::uint8_t* block, int mode);
    int (*initDecoder)();
    // block: 512 bytes in; samples: kDecoderSampleRoom out; count: written.
    int (*voiceDecoder)(const std::uint8_t* block, std::int16_t* samples, int* count);
};

// The recorder's encoder and decoder libraries.
VoiceCodec recorderVoiceCodec();

}  // namespace vox::conversion
