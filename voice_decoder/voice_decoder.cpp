#include "voice_decoder/voice_decoder.h"

#include "voice_decoder/decoder.h"

namespace {

vox::g729::Decoder& process_decoder() {
    static vox::g729::Decoder decoder;
    return decoder;
}

}  // namespace

extern "C" int Ravelle_initDecoder() {
    process_decoder().reset();
    return 1;
}

extern "C" int Ravelle_VoiceDecoder(const std::uint8_t* block, std::int16_t* samples, int* count) {
    if (count != nullptr) *count = 0;
    if (block == nullptr || samples == nullptr || count == nullptr) return 0;
    *count = process_decoder().decode_block(block, samples);
    return *count > 0 ? 1 : 0;
}
