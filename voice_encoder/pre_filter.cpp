#include "voice_encoder/pre_filter.h"

#include "voice_encoder/tables.h"

namespace vox::g729 {

void HighPassPreFilter::process(Word16* signal, int length) {
    const HighPassSection section(highpass_b, highpass_a);
    // the history in a local: stores to the signal could otherwise alias it
    HighPassHistory past = past_;
    for (int i = 0; i < length; ++i) {
        const Word16 x0 = signal[i];
        Word32 t = section(past, x0);
        t = l_shl(t, 3);  // Q12 to Q15
        signal[i] = round16(t);
        past.push(x0, t);
    }
    past_ = past;
}

}  // namespace vox::g729
