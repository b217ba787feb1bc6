#include "engine/conversion/voice_codec.h"

#include "voice_decoder/decoder.h"
#include "voice_encoder/encoder.h"

namespace vox::conversion {
namespace {

class RecorderEncoderStream final : public EncoderStream {
  public:
    RecorderEncoderStream() { encoder_.start_stream(); }
    bool encode(const std::int16_t* samples, std::uint8_t* block, int mode) override {
        return encoder_.encode_block(samples, block, mode);
    }

  private:
    g729::Encoder encoder_;
};

class RecorderDecoderStream final : public DecoderStream {
  public:
    static_assert(g729::kMaxSamplesPerBlock <= kDecoderSampleRoom);
    int decode(const std::uint8_t* block, std::int16_t* samples) override {
        return decoder_.decode_block(block, samples);
    }

  private:
    g729::Decoder decoder_;
};

}  // namespace

VoiceCodec recorderVoiceCodec() {
    return VoiceCodec{[] { return std::make_unique<RecorderEncoderStream>(); },
                      [] { return std::make_unique<RecorderDecoderStream>(); }};
}

}  // namespace vox::conversion
