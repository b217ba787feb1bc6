#pragma once
// Taming of the adaptive-codebook gain (G.729 3.8 and the taming procedure):
// an estimate of the excitation error per 40-sample zone of the past tells
// whether a large pitch gain risks error propagation at the decoder.

#include "voice_encoder/basic_ops.h"

namespace vox::g729 {

class ExcitationErrorTracker {
  public:
    ExcitationErrorTracker() { reset(); }
    void reset();
    // True when the error in the zones the delay reaches is above 60000.
    bool risk_of_error_propagation(Word16 t0, Word16 fraction) const;
    // Moves the estimate on after a subframe with quantised gain (Q14) and delay.
    void update(Word16 gain_pitch, Word16 t0);

  private:
    Word32 error_[4];  // Q14, newest first
};

}  // namespace vox::g729
