#include "voice_decoder/post_filter.h"

#include <algorithm>
#include <iterator>

#include "voice_decoder/pitch_lag_decoding.h"
#include "voice_encoder/dsp_math.h"
#include "voice_encoder/exact_sums.h"
#include "voice_encoder/filters.h"

namespace vox::g729 {
namespace {

constexpr Word16 kNumeratorGamma = 18022;        // 0.55, Q15
constexpr Word16 kDenominatorGamma = 22938;      // 0.70, Q15
constexpr Word16 kTiltFactor = 26214;            // mu = 0.8, Q15
constexpr Word16 kPitchGamma = 16384;            // 0.5, Q15
constexpr Word16 kPitchWeightStrong = 21845;     // 1 / (1 + gamma), Q15
constexpr Word16 kPitchGainStrong = 10923;       // gamma / (1 + gamma), Q15
constexpr Word16 kAgcFactor = 29491;             // 0.9, Q15
constexpr Word16 kAgcStep = 32767 - kAgcFactor;  // 1 - 0.9, Q15
constexpr int kImpulseLength = 22;               // L_H, for the tilt estimate

// Energy of x/4 over the subframe.
Word32 quarter_energy(const Word16* x) {
    Word16 quarter[kSubframeLength];
    for (int i = 0; i < kSubframeLength; ++i) quarter[i] = shr(x[i], 2);
    return saturating_energy(quarter, kSubframeLength);
}

}  // namespace

void PostFilter::reset() {
    std::fill(std::begin(speech_), std::end(speech_), Word16{0});
    std::fill(std::begin(residual_), std::end(residual_), Word16{0});
    std::fill(std::begin(scaled_residual_), std::end(scaled_residual_), Word16{0});
    std::fill(std::begin(synthesis_memory_), std::end(synthesis_memory_), Word16{0});
    tilt_memory_ = 0;
    past_gain_ = 4096;
}

void PostFilter::process(const Word16 synthesis[kFrameLength],
                         const Word16 a[2 * kSubframeFilterSize], const Word16 pitch_delays[2],
                         Word16 out[kFrameLength]) {
    std::copy(synthesis, synthesis + kFrameLength, speech_ + kLpOrder);
    for (int sub = 0; sub < 2; ++sub) {
        filter_subframe(speech_ + kLpOrder + sub * kSubframeLength, a + sub * kSubframeFilterSize,
                        pitch_delays[sub], out + sub * kSubframeLength);
    }
    std::copy(speech_ + kFrameLength, speech_ + kFrameLength + kLpOrder, speech_);
}

void PostFilter::filter_subframe(const Word16* speech, const Word16 a[kSubframeFilterSize],
                                 Word16 pitch_delay, Word16* out) {
    // Delays searched: the decoder's integer delay -3 .. +3, at most 143.
    Word16 delay_min = sub(pitch_delay, 3);
    Word16 delay_max = add(delay_min, 6);
    if (delay_max > kPitchMax) {
        delay_max = kPitchMax;
        delay_min = kPitchMax - 6;
    }
    Word16 numerator[kSubframeFilterSize];
    Word16 denominator[kSubframeFilterSize];
    weight_coefficients(a, kNumeratorGamma, numerator);
    weight_coefficients(a, kDenominatorGamma, denominator);

    Word16* current = residual_ + kHistory;
    Word16* scaled = scaled_residual_ + kHistory;
    residual(numerator, speech, current, kSubframeLength);
    for (int i = 0; i < kSubframeLength; ++i) scaled[i] = shr(current[i], 2);

    Word16 filtered[kSubframeLength];
    pitch_filter(delay_min, delay_max, filtered);
    tilt_compensation(numerator, denominator, filtered);
    synthesis_filter(denominator, filtered, out, kSubframeLength, synthesis_memory_, true);
    gain_control(speech, out);

    std::copy(residual_ + kSubframeLength, std::end(residual_), residual_);
    std::copy(scaled_residual_ + kSubframeLength, std::end(scaled_residual_), scaled_residual_);
}

// Long-term post-filter (A.4.2.1): the delay of highest correlation of the
// scaled residual within the range, then a gain from the prediction gain; off
// below 3 dB.
void PostFilter::pitch_filter(Word16 delay_min, Word16 delay_max, Word16* out) const {
    const Word16* signal = residual_ + kHistory;
    const Word16* scaled = scaled_residual_ + kHistory;
    // Every sum below multiplies samples of the stretch the delays reach; by
    // its energy, none can saturate when products_fit says so.
    const std::int64_t reach = energy_of(scaled - delay_max, kSubframeLength + delay_max);
    const bool exact = products_fit(reach, reach, 1);
    const auto mac = [exact](Word32 start, const Word16* a, const Word16* b) {
        if (exact) return exact_mac(start, a, b, kSubframeLength);
        for (int j = 0; j < kSubframeLength; ++j) start = l_mac(start, a[j], b[j]);
        return start;
    };
    Word32 best_correlation = kMin32;
    Word16 delay = delay_min;
    for (Word16 t = delay_min; t <= delay_max; ++t) {
        const Word32 correlation = mac(0, scaled, scaled - t);
        if (l_sub(correlation, best_correlation) > 0) {
            best_correlation = correlation;
            delay = t;
        }
    }
    const Word32 delayed_energy = mac(1, scaled - delay, scaled - delay);
    const Word32 energy = mac(1, scaled, scaled);
    best_correlation = std::max<Word32>(best_correlation, 0);

    const Word16 shift = norm_l(std::max({best_correlation, delayed_energy, energy}));
    Word16 correlation16 = round16(l_shl(best_correlation, shift));
    Word16 delayed16 = round16(l_shl(delayed_energy, shift));
    const Word16 energy16 = round16(l_shl(energy, shift));

    // correlation^2 < energy * delayed energy / 2: prediction gain below 3 dB.
    if (l_sub(l_mult(correlation16, correlation16), l_shr(l_mult(delayed16, energy16), 1)) < 0) {
        std::copy(signal, signal + kSubframeLength, out);
        return;
    }
    Word16 weight;
    Word16 gain;
    if (correlation16 > delayed16) {  // pitch gain above 1
        weight = kPitchWeightStrong;
        gain = kPitchGainStrong;
    } else {
        correlation16 = shr(mult(correlation16, kPitchGamma), 1);  // Q14
        delayed16 = shr(delayed16, 1);
        const Word16 sum = add(correlation16, delayed16);
        if (sum > 0) {
            gain = div_s(correlation16, sum);
            weight = sub(kMax16, gain);
        } else {
            weight = kMax16;
            gain = 0;
        }
    }
    for (int i = 0; i < kSubframeLength; ++i) {
        out[i] = add(mult(weight, signal[i]), mult(gain, signal[i - delay]));
    }
}

// Tilt compensation (A.4.2.3): first-order filter 1 - k z^-1 with k from the
// first two correlations of the impulse response of the short-term filter.
void PostFilter::tilt_compensation(const Word16 numerator[kSubframeFilterSize],
                                   const Word16 denominator[kSubframeFilterSize], Word16* signal) {
    Word16 impulse[kImpulseLength] = {};
    std::copy(numerator, numerator + kSubframeFilterSize, impulse);
    Word16 zero_memory[kLpOrder] = {};
    synthesis_filter(denominator, impulse, impulse, kImpulseLength, zero_memory, false);

    // the neighbours' sum is bounded by the energy: where that fits, so
    // does every partial sum of both
    const Word32 r0 = saturating_energy(impulse, kImpulseLength);
    Word32 r1 = 0;
    if (r0 < kMax32) {
        r1 = exact_mac(0, impulse, impulse + 1, kImpulseLength - 1);
    } else {
        for (int i = 0; i < kImpulseLength - 1; ++i) r1 = l_mac(r1, impulse[i], impulse[i + 1]);
    }
    const Word16 r0_16 = extract_h(r0);
    const Word16 r1_16 = extract_h(r1);
    const Word16 k = r1_16 <= 0 ? Word16{0} : div_s(mult(r1_16, kTiltFactor), r0_16);

    const Word16 last = signal[kSubframeLength - 1];
    for (int i = kSubframeLength - 1; i > 0; --i)
        signal[i] = sub(signal[i], mult(k, signal[i - 1]));
    signal[0] = sub(signal[0], mult(k, tilt_memory_));
    tilt_memory_ = last;
}

// Adaptive gain control (A.4.2.4): scales the output towards the energy of
// the speech before the post-filter, smoothed sample by sample.
void PostFilter::gain_control(const Word16* reference, Word16* signal) {
    Word32 s = quarter_energy(signal);
    if (s == 0) {
        past_gain_ = 0;
        return;
    }
    Word16 exponent = sub(norm_l(s), 1);
    const Word16 gain_out = round16(l_shl(s, exponent));

    Word16 step = 0;
    s = quarter_energy(reference);
    if (s != 0) {
        const Word16 shift = norm_l(s);
        const Word16 gain_in = round16(l_shl(s, shift));
        exponent = sub(exponent, shift);
        // step = (1 - 0.9) sqrt(gain_in / gain_out), Q12
        s = l_shr(l_shl(l_deposit_l(div_s(gain_out, gain_in)), 7), exponent);  // Q22
        const Word16 inverse_root = round16(l_shl(inv_sqrt(s), 9));
        step = mult(inverse_root, kAgcStep);
    }
    Word16 gain = past_gain_;
    for (int i = 0; i < kSubframeLength; ++i) {
        gain = add(mult(gain, kAgcFactor), step);
        signal[i] = extract_h(l_shl(l_mult(signal[i], gain), 3));
    }
    past_gain_ = gain;
}

}  // namespace vox::g729
