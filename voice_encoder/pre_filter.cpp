#include "voice_encoder/pre_filter.h"

#include "voice_encoder/tables.h"

namespace vox::g729 {

void HighPassPreFilter::process(Word16* signal, int length) {
    for (int i = 0; i < length; ++i) {
        const Word16 x0 = signal[i];
        Word32 t = mpy_32_16(y1_, highpass_a[1]);
        t = l_add(t, mpy_32_16(y2_, highpass_a[2]));
        t = l_mac(t, x0, highpass_b[0]);
        t = l_mac(t, x1_, highpass_b[1]);
        t = l_mac(t, x2_, highpass_b[2]);
        t = l_shl(t, 3);  // Q12 to Q15
        signal[i] = round16(t);
        x2_ = x1_;
        x1_ = x0;
        y2_ = y1_;
        y1_ = l_extract(t);
    }
}

}  // namespace vox::g729
