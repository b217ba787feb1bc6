#include "voice_decoder/post_processing.h"

#include "voice_encoder/tables.h"

namespace vox::g729 {

void HighPassPostFilter::process(Word16* signal, int length) {
    const HighPassSection section(highpass100_b, highpass100_a);
    // the history in a local: stores to the signal could otherwise alias it
    HighPassHistory past = past_;
    for (int i = 0; i < length; ++i) {
        const Word16 x0 = signal[i];
        Word32 t = section(past, x0);
        t = l_shl(t, 2);                   // Q13 to Q15
        signal[i] = round16(l_shl(t, 1));  // times 2, saturating
        past.push(x0, t);
    }
    past_ = past;
}

}  // namespace vox::g729
