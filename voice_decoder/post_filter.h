#pragma once
// Adaptive post-filter of G.729 Annex A (A.4.2): long-term (pitch) filter on
// the residual of A(z/0.55), short-term filter 1/A(z/0.7), tilt compensation
// and adaptive gain control, subframe by subframe.

#include "voice_decoder/fixed_codebook_decoding.h"
#include "voice_encoder/lsp_conversion.h"

namespace vox::g729 {

inline constexpr int kFrameLength = 80;  // L_FRAME

class PostFilter {
  public:
    PostFilter() { reset(); }
    void reset();

    // Filters one frame of synthesised speech with the frame's two subframe
    // filters (Q12) and the integer pitch delays the decoder used.
    void process(const Word16 synthesis[kFrameLength], const Word16 a[2 * kSubframeFilterSize],
                 const Word16 pitch_delays[2], Word16 out[kFrameLength]);

  private:
    void filter_subframe(const Word16* speech, const Word16 a[kSubframeFilterSize],
                         Word16 pitch_delay, Word16* out);
    void pitch_filter(Word16 delay_min, Word16 delay_max, Word16* out) const;
    void tilt_compensation(const Word16 numerator[kSubframeFilterSize],
                           const Word16 denominator[kSubframeFilterSize], Word16* signal);
    void gain_control(const Word16* reference, Word16* signal);

    static constexpr int kHistory = 143;  // PIT_MAX
    // Speech before the post-filter: ten past samples, then the frame.
    Word16 speech_[kLpOrder + kFrameLength];
    // Residual of A(z/0.55), and the same divided by 4, with the past delays.
    Word16 residual_[kHistory + kSubframeLength];
    Word16 scaled_residual_[kHistory + kSubframeLength];
    Word16 synthesis_memory_[kLpOrder];  // of 1/A(z/0.7)
    Word16 tilt_memory_;                 // last input of the tilt filter
    Word16 past_gain_;                   // gain control, Q12
};

}  // namespace vox::g729
