// The flat exports over one process-wide encoder. The instance is built when
// the library is loaded, so a call before any Ravelle_initEncoder behaves as
// the first call of a stream started at load.

#include "voice_encoder/encoder.h"
#include "voice_encoder/voice_encoder.h"

namespace {

vox::g729::Encoder& process_encoder() {
    static vox::g729::Encoder encoder;
    return encoder;
}

// Built at load rather than at first use.
[[maybe_unused]] const bool kLoaded = (process_encoder(), true);

}  // namespace

extern "C" int test10(void) {
    return 0;
}

extern "C" int Ravelle_initEncoder(void) {
    process_encoder().start_stream();
    return 1;
}

extern "C" int Ravelle_VoiceEncoder(const short* samples, unsigned char* block, int mode) {
    return process_encoder().encode_block(samples, block, mode) ? 1 : 0;
}
