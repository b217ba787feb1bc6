#pragma once
// Pre-processing of G.729 (3.1): second-order pole-zero high-pass filter,
// cut-off 140 Hz, that also halves the signal.

#include "voice_encoder/high_pass_section.h"

namespace vox::g729 {

class HighPassPreFilter {
  public:
    void reset() { *this = HighPassPreFilter{}; }
    // Filters the samples in place.
    void process(Word16* signal, int length);

  private:
    HighPassHistory past_;  // outputs in Q12 DPF
};

}  // namespace vox::g729
