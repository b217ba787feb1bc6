#include "voice_decoder/frame_decoder.h"

#include <algorithm>
#include <iterator>

#include "voice_decoder/fixed_codebook_decoding.h"
#include "voice_decoder/pitch_lag_decoding.h"
#include "voice_encoder/filters.h"
#include "voice_encoder/pitch_interpolation.h"

namespace vox::g729 {
namespace {

constexpr Word16 kSharpeningMin = 3277;   // 0.2, Q14
constexpr Word16 kSharpeningMax = 13017;  // 0.8, Q14
constexpr Word16 kInitialLsp[kLpOrder] = {30000, 26000, 21000,  15000,  8000,
                                          0,     -8000, -15000, -21000, -26000};

}  // namespace

void FrameDecoder::reset() {
    std::fill(std::begin(excitation_), std::end(excitation_), Word16{0});
    std::copy(std::begin(kInitialLsp), std::end(kInitialLsp), previous_lsp_);
    lsp_memory_.reset();
    gains_.reset();
    std::fill(std::begin(synthesis_memory_), std::end(synthesis_memory_), Word16{0});
    sharpening_ = kSharpeningMin;
    previous_delay_ = 60;
}

// A first-subframe delay whose parity fails is replaced by the last good
// integer delay, which then grows by one per frame (G.729 4.1.2).
PitchLag FrameDecoder::subframe_lag(const FrameParameters& frame, Rate rate, int subframe,
                                    PitchLag first) {
    const Word16 index = frame.subframe[subframe].pitch_index;
    if (subframe == 0 && pitch_parity_error(index, frame.parity, rate)) {
        const PitchLag substitute{previous_delay_, 0};
        previous_delay_ = std::min<Word16>(add(previous_delay_, 1), kPitchMax);
        return substitute;
    }
    const PitchLag lag =
        subframe == 0 ? decode_first_lag(index) : decode_second_lag(index, first.integer, rate);
    previous_delay_ = lag.integer;
    return lag;
}

SynthesisedFrame FrameDecoder::decode(const FrameParameters& frame, Rate rate) {
    SynthesisedFrame out;
    Word16 lsp[kLpOrder];
    decode_lsp({frame.l0_l1, frame.l2_l3}, lsp, lsp_memory_);
    interpolate_to_subframes(previous_lsp_, lsp, out.filters);
    std::copy(lsp, lsp + kLpOrder, previous_lsp_);

    Word16* excitation = excitation_ + kExcitationHistory;
    PitchLag lag{};
    for (int sub = 0; sub < 2; ++sub) {
        const int offset = sub * kSubframeLength;
        lag = subframe_lag(frame, rate, sub, lag);
        out.pitch_delays[sub] = lag.integer;
        interpolate_past_excitation(excitation + offset, lag.integer, lag.fraction,
                                    kSubframeLength);

        Word16 code[kSubframeLength];
        decode_fixed_codebook(frame.subframe[sub], rate, code);
        // Pitch sharpening of the code vector for delays shorter than a subframe.
        const Word16 factor = shl(sharpening_, 1);  // Q15
        for (int i = lag.integer; i < kSubframeLength; ++i)
            code[i] = add(code[i], mult(code[i - lag.integer], factor));

        const DecodedGains gains =
            gains_.decode(frame.subframe[sub].gain, rate, code, kSubframeLength);
        sharpening_ = std::clamp(gains.pitch, kSharpeningMin, kSharpeningMax);

        // u = g_p v + g_c c (eq. 75): v in Q0, g_p in Q14, c in Q13, g_c in Q1.
        for (int i = 0; i < kSubframeLength; ++i) {
            Word32 t = l_mult(excitation[offset + i], gains.pitch);
            t = l_mac(t, code[i], gains.code);
            excitation[offset + i] = round16(l_shl(t, 1));
        }
        synthesise_subframe(out.filters + sub * kSubframeFilterSize, offset, out.speech + offset);
    }
    std::copy(excitation_ + kFrameLength, std::end(excitation_), excitation_);
    return out;
}

// When the synthesis saturates, the whole excitation buffer is scaled down
// by 4 and the subframe synthesised again (G.729 4.1.6).
void FrameDecoder::synthesise_subframe(const Word16 a[kSubframeFilterSize], int offset,
                                       Word16* speech) {
    const Word16* excitation = excitation_ + kExcitationHistory + offset;
    if (!synthesis_filter(a, excitation, speech, kSubframeLength, synthesis_memory_, false)) {
        std::copy(speech + kSubframeLength - kLpOrder, speech + kSubframeLength, synthesis_memory_);
        return;
    }
    for (Word16& sample : excitation_) sample = shr(sample, 2);
    synthesis_filter(a, excitation, speech, kSubframeLength, synthesis_memory_, true);
}

}  // namespace vox::g729
