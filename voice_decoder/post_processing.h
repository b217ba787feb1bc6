#pragma once
// Post-processing of the decoded speech (G.729 4.2.5): second-order high-pass
// filter with a cut-off of 100 Hz, and the up-scaling by 2 that undoes the
// halving of the encoder's pre-filter.

#include "voice_encoder/basic_ops.h"

namespace vox::g729 {

class HighPassPostFilter {
  public:
    void reset() { *this = HighPassPostFilter{}; }
    // Filters the samples in place.
    void process(Word16* signal, int length);

  private:
    Word16 x1_ = 0;  // past inputs
    Word16 x2_ = 0;
    Dpf y1_{0, 0};  // past outputs, Q13 DPF
    Dpf y2_{0, 0};
};

}  // namespace vox::g729
