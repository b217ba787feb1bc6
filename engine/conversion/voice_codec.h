#pragma once
// The voice coder as the conversion workers use it: each conversion opens a
// stream of its own, encoder or decoder, so that conversions running at the
// same time never share coder state. The program hands the workers the
// recorder's coder; tests hand them stand-ins.

#include <cstdint>
#include <functional>
#include <memory>

namespace vox::conversion {

inline constexpr int kDvfBlockBytes = 512;
inline constexpr int kMaxSamplesPerEncoderCall = 5120;
// Room the decode worker gives the decoder for one block's samples.
inline constexpr int kDecoderSampleRoom = 10240;

// One stream of blocks being encoded; a new object is a new stream.
class EncoderStream {
  public:
    virtual ~EncoderStream() = default;
    // samples: what the mode consumes; block: 512 bytes out. False (nothing
    // read or written) for an unknown mode.
    virtual bool encode(const std::int16_t* samples, std::uint8_t* block, int mode) = 0;
};

// One stream of blocks being decoded; a new object is a new stream.
class DecoderStream {
  public:
    virtual ~DecoderStream() = default;
    // block: 512 bytes in; samples: room for kDecoderSampleRoom. Returns how
    // many samples were written, 0 for a block that is not one of the stream.
    virtual int decode(const std::uint8_t* block, std::int16_t* samples) = 0;
};

struct VoiceCodec {
    std::function<std::unique_ptr<EncoderStream>()> openEncoder;
    std::function<std::unique_ptr<DecoderStream>()> openDecoder;
};

// The recorder's encoder and decoder, one instance per stream.
VoiceCodec recorderVoiceCodec();

}  // namespace vox::conversion
