#include "voice_encoder/taming.h"

#include "voice_encoder/tables.h"

namespace vox::g729 {

namespace {

constexpr Word32 kErrorThreshold = 983040000;  // 60000 in Q14
constexpr Word16 kInterpolationTaps = 10;      // L_INTER10
constexpr Word16 kSubframeLength = 40;

// 1 + gain * error, in Q14.
Word32 propagated(Word32 error, Word16 gain) {
    return l_add(0x4000, l_shl(mpy_32_16(l_extract(error), gain), 1));
}

}  // namespace

void ExcitationErrorTracker::reset() {
    for (Word32& e : error_) e = 0x4000;
}

bool ExcitationErrorTracker::risk_of_error_propagation(Word16 t0, Word16 fraction) const {
    const Word16 t1 = fraction > 0 ? add(t0, 1) : t0;
    Word16 i = sub(t1, kSubframeLength + kInterpolationTaps);
    if (i < 0) i = 0;
    const Word16 zone1 = taming_zone[i];
    const Word16 zone2 = taming_zone[add(t1, kInterpolationTaps - 2)];
    Word32 worst = -1;
    for (int z = zone2; z >= zone1; --z) {
        if (l_sub(error_[z], worst) > 0) worst = error_[z];
    }
    return l_sub(worst, kErrorThreshold) > 0;
}

void ExcitationErrorTracker::update(Word16 gain_pitch, Word16 t0) {
    Word32 worst = -1;
    const Word16 n = sub(t0, kSubframeLength);
    if (n < 0) {
        // the delay reaches into the current subframe twice
        Word32 e = propagated(error_[0], gain_pitch);
        if (l_sub(e, worst) > 0) worst = e;
        e = propagated(e, gain_pitch);
        if (l_sub(e, worst) > 0) worst = e;
    } else {
        const Word16 zone1 = taming_zone[n];
        const Word16 zone2 = taming_zone[sub(t0, 1)];
        for (int z = zone1; z <= zone2; ++z) {
            const Word32 e = propagated(error_[z], gain_pitch);
            if (l_sub(e, worst) > 0) worst = e;
        }
    }
    for (int i = 3; i > 0; --i) error_[i] = error_[i - 1];
    error_[0] = worst;
}

}  // namespace vox::g729
