#pragma once
// Open-loop pitch estimate of G.729 Annex A (A.3.4): once per frame on the
// weighted speech, in three delay sections with favouring of submultiples.

#include "voice_encoder/basic_ops.h"

namespace vox::g729 {

inline constexpr Word16 kDelayMin = 20;   // PIT_MIN
inline constexpr Word16 kDelayMax = 143;  // PIT_MAX

// wsp points at the frame's first weighted sample; 143 past samples precede
// it. Returns a delay in 20..143.
Word16 open_loop_pitch(const Word16* wsp, int frame_length);

}  // namespace vox::g729
