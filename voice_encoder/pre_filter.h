#pragma once
// Pre-processing of G.729 (3.1): second-order pole-zero high-pass filter,
// cut-off 140 Hz, that also halves the signal.

#include "voice_encoder/basic_ops.h"

namespace vox::g729 {

class HighPassPreFilter {
  public:
    void reset() { *this = HighPassPreFilter{}; }
    // Filters the samples in place.
    void process(Word16* signal, int length);

  private:
    Word16 x1_ = 0;  // past inputs
    Word16 x2_ = 0;
    Dpf y1_{0, 0};  // past outputs, Q12 DPF
    Dpf y2_{0, 0};
};

}  // namespace vox::g729
