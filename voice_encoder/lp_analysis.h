#pragma once
// LP analysis of G.729 (3.2.1 and Annex A): windowed autocorrelation, lag
// window and the Levinson-Durbin recursion in double precision.

#include "voice_encoder/basic_ops.h"

namespace vox::g729 {

inline constexpr int kLpOrder = 10;          // M
inline constexpr int kLpWindowLength = 240;  // L_WINDOW

// Autocorrelation r[0..m] in normalised DPF form.
struct Autocorrelation {
    Word16 hi[kLpOrder + 1];
    Word16 lo[kLpOrder + 1];
};

// Autocorrelation of the 240 windowed samples x; rescales the windowed signal
// until r[0] no longer saturates (Annex A).
Autocorrelation autocorrelation(const Word16* x);

// Applies the 60 Hz lag window to r[1..10].
void apply_lag_window(Autocorrelation& r);

// The recursion falls back on the last stable filter when a reflection
// coefficient reaches the unit circle, so it keeps that filter.
class LevinsonSolver {
  public:
    LevinsonSolver() { reset(); }
    void reset();
    // a[0..10] in Q12 from r.
    void solve(const Autocorrelation& r, Word16 a[kLpOrder + 1]);

  private:
    Word16 last_a_[kLpOrder + 1];  // Q12
};

}  // namespace vox::g729
