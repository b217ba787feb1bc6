#include "voice_encoder/pre_filter.h"

#include "voice_encoder/high_pass_section.h"
#include "voice_encoder/tables.h"

namespace vox::g729 {

void HighPassPreFilter::process(Word16* signal, int length) {
    const HighPassSection section(highpass_b, highpass_a);
    // the state in locals: stores to the signal could otherwise alias it
    Word16 x1 = x1_;
    Word16 x2 = x2_;
    Dpf y1 = y1_;
    Dpf y2 = y2_;
    for (int i = 0; i < length; ++i) {
        const Word16 x0 = signal[i];
        Word32 t = section(y1, y2, x0, x1, x2);
        t = l_shl(t, 3);  // Q12 to Q15
        signal[i] = round16(t);
        x2 = x1;
        x1 = x0;
        y2 = y1;
        y1 = l_extract(t);
    }
    x1_ = x1;
    x2_ = x2;
    y1_ = y1;
    y2_ = y2;
}

}  // namespace vox::g729
