#pragma once
// Vector forms of the adaptive-codebook interpolation (x86-64 builds only).
//
// Each writes exc[0..n) for the largest n, a multiple of its block, whose
// sums the bound proves exact (2 * largest |input| * sum |tap| <= 2^31 - 1,
// the inputs being the history and the outputs written so far) and returns n;
// the caller finishes the rest. Blocks of eight outputs read only samples
// before the block as long as x0 + 17 < exc, which delays of 20 and more give.

#include <cstdint>

#include "voice_encoder/basic_ops.h"

namespace vox::g729::pitch_interpolation_detail {

inline constexpr int kTaps = 10;  // per side

// window_taps weights x0[-9] .. x0[10] for the output at x0's position;
// tap_magnitudes is the sum of their magnitudes.
int interpolate_sse2(Word16* exc, const Word16* x0, const Word16 window_taps[2 * kTaps],
                     std::int32_t tap_magnitudes, int length);
int interpolate_avx2(Word16* exc, const Word16* x0, const Word16 window_taps[2 * kTaps],
                     std::int32_t tap_magnitudes, int length);

}  // namespace vox::g729::pitch_interpolation_detail
