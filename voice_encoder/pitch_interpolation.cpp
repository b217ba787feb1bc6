#include "voice_encoder/pitch_interpolation.h"

#include "voice_encoder/tables.h"

namespace vox::g729 {

void interpolate_past_excitation(Word16* exc, Word16 t0, Word16 frac, int length) {
    constexpr int kUpSampling = 3;
    constexpr int kTaps = 10;  // per side
    const Word16* x0 = exc - t0;
    frac = negate(frac);
    if (frac < 0) {
        frac = add(frac, kUpSampling);
        --x0;
    }
    const Word16* c1 = &inter_3l[frac];
    const Word16* c2 = &inter_3l[kUpSampling - frac];
    for (int j = 0; j < length; ++j, ++x0) {
        const Word16* x1 = x0;
        const Word16* x2 = x0 + 1;
        Word32 s = 0;
        for (int i = 0, k = 0; i < kTaps; ++i, k += kUpSampling) {
            s = l_mac(s, x1[-i], c1[k]);
            s = l_mac(s, x2[i], c2[k]);
        }
        exc[j] = round16(s);
    }
}

}  // namespace vox::g729
