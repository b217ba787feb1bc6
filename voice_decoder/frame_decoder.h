#pragma once
// Synthesis of one 10 ms frame from its parameters (G.729 4.1, Annex A):
// LSP decoding and interpolation, adaptive and fixed codebook vectors,
// gains, excitation and the synthesis filter. The post-filter and the
// post-processing follow in the caller.

#include "voice_decoder/gain_decoding.h"
#include "voice_decoder/pitch_lag_decoding.h"
#include "voice_decoder/post_filter.h"
#include "voice_encoder/lsp_quantiser.h"

namespace vox::g729 {

struct SynthesisedFrame {
    Word16 speech[kFrameLength];
    Word16 filters[2 * kSubframeFilterSize];  // A(z) of both subframes, Q12
    Word16 pitch_delays[2];                   // integer delays used
};

class FrameDecoder {
  public:
    FrameDecoder() { reset(); }
    void reset();

    SynthesisedFrame decode(const FrameParameters& frame, Rate rate);

  private:
    PitchLag subframe_lag(const FrameParameters& frame, Rate rate, int subframe, PitchLag first);
    void synthesise_subframe(const Word16 a[kSubframeFilterSize], int offset, Word16* speech);

    // The longest delay (143) and the interpolation filter's reach (11).
    static constexpr int kExcitationHistory = 143 + 11;
    // Past excitation (PIT_MAX + L_INTERPOL samples), then the current frame.
    Word16 excitation_[kExcitationHistory + kFrameLength];
    Word16 previous_lsp_[kLpOrder];
    LspPredictorMemory lsp_memory_;
    GainDecoder gains_;
    Word16 synthesis_memory_[kLpOrder];
    Word16 sharpening_;      // pitch sharpening from the last gain, Q14
    Word16 previous_delay_;  // stands in for a delay whose parity failed
};

}  // namespace vox::g729
