// The adaptive-codebook interpolation in SSE2 and AVX2: eight or sixteen
// outputs at a time, the twenty taps taken two by two with pmaddwd.
#if defined(__x86_64__)

#include <immintrin.h>

#include <algorithm>
#include <cstdlib>

#include "voice_encoder/pitch_interpolation_vector.h"
#include "voice_encoder/sliding_sums_x86.h"

namespace vox::g729::pitch_interpolation_detail {

namespace {

constexpr int kPairs = kTaps;  // 20 taps, two by two

// Largest |sample| over [from, to).
std::int32_t largest_of(const Word16* from, const Word16* to) {
    std::int32_t m = 0;
    for (const Word16* p = from; p < to; ++p) m = std::max(m, std::abs(std::int32_t{*p}));
    return m;
}

struct Interpolation {
    Interpolation(Word16* exc_, const Word16* x0_, const Word16 window_taps[2 * kTaps],
                  std::int32_t tap_magnitudes_, int length)
        : exc(exc_), x0(x0_), tap_magnitudes(tap_magnitudes_) {
        for (int p = 0; p < kPairs; ++p)
            pairs[p] = tap_pair(window_taps[2 * p], window_taps[2 * p + 1]);
        // the history read, up to the first output
        largest = largest_of(x0 - (kTaps - 1), std::min<const Word16*>(x0 + length + kTaps, exc));
    }
    bool fits() const { return 2 * std::int64_t{largest} * tap_magnitudes <= kMax32; }
    void add_outputs(int from, int count) {
        largest = std::max(largest, largest_of(exc + from, exc + from + count));
    }

    Word16* exc;
    const Word16* x0;
    std::int32_t tap_magnitudes;
    std::int32_t pairs[kPairs];
    std::int32_t largest;
};

// round16(2 sum) of exact sums: (sum + 2^14) >> 15, and pack's saturation
// gives the 32767 that l_add's gives when 2 sum + 2^15 passes 2^31 - 1.
__m128i rounded_sse2(__m128i low, __m128i high) {
    const __m128i half = _mm_set1_epi32(1 << 14);
    return _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(low, half), 15),
                           _mm_srai_epi32(_mm_add_epi32(high, half), 15));
}

// Outputs j .. j + 7.
void block_of_8(const Interpolation& in, int j) {
    __m128i low;
    __m128i high;
    sliding_sums_8(in.x0 + j - (kTaps - 1), in.pairs, kPairs, low, high);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(in.exc + j), rounded_sse2(low, high));
}

// Outputs j .. j + 15; the pack puts the four groups of four back in order.
__attribute__((target("avx2"))) void block_of_16(const Interpolation& in, int j) {
    __m256i low;
    __m256i high;
    sliding_sums_16(in.x0 + j - (kTaps - 1), in.pairs, kPairs, low, high);
    const __m256i half = _mm256_set1_epi32(1 << 14);
    const __m256i out = _mm256_packs_epi32(_mm256_srai_epi32(_mm256_add_epi32(low, half), 15),
                                           _mm256_srai_epi32(_mm256_add_epi32(high, half), 15));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(in.exc + j), out);
}

}  // namespace

int interpolate_sse2(Word16* exc, const Word16* x0, const Word16 window_taps[2 * kTaps],
                     std::int32_t tap_magnitudes, int length) {
    if (x0 + 17 >= exc) return 0;
    Interpolation in(exc, x0, window_taps, tap_magnitudes, length);
    int j = 0;
    for (; j + 8 <= length && in.fits(); j += 8) {
        block_of_8(in, j);
        in.add_outputs(j, 8);
    }
    return j;
}

__attribute__((target("avx2"))) int interpolate_avx2(Word16* exc, const Word16* x0,
                                                     const Word16 window_taps[2 * kTaps],
                                                     std::int32_t tap_magnitudes, int length) {
    if (x0 + 17 >= exc) return 0;
    Interpolation in(exc, x0, window_taps, tap_magnitudes, length);
    const bool sixteen_fit = x0 + 25 < exc;  // a block of 16 reads only samples before it
    int j = 0;
    while (in.fits()) {
        if (sixteen_fit && j + 16 <= length) {
            block_of_16(in, j);
            in.add_outputs(j, 16);
            j += 16;
        } else if (j + 8 <= length) {
            block_of_8(in, j);
            in.add_outputs(j, 8);
            j += 8;
        } else {
            break;
        }
    }
    return j;
}

}  // namespace vox::g729::pitch_interpolation_detail

#endif
