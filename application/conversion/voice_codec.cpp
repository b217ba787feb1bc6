#include "application/conversion/voice_codec.h"

#include "voice_decoder/voice_decoder.h"
#include "voice_encoder/voice_encoder.h"

namespace vox::conversion {

VoiceCodec recorderVoiceCodec() {
    return VoiceCodec{Ravelle_initEncoder, Ravelle_VoiceEncoder, Ravelle_initDecoder,
                      Ravelle_VoiceDecoder};
}

}  // namespace vox::conversion
