#pragma once
// Post-processing of the decoded speech (G.729 4.2.5): second-order high-pass
// filter with a cut-off of 100 Hz, and the up-scaling by 2 that undoes the
// halving of the encoder's pre-filter.

#include "voice_encoder/high_pass_section.h"

namespace vox::g729 {

class HighPassPostFilter {
  public:
    void reset() { *this = HighPassPostFilter{}; }
    // Filters the samples in place.
    void process(Word16* signal, int length);

  private:
    HighPassHistory past_;  // outputs in Q13 DPF
};

}  // namespace vox::g729
