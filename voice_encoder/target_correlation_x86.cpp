// The backward correlation's exact sums in SSE2 and AVX2: the forty taps of h
// slide over x, which runs on in zeros so that every output has all of them.
#if defined(__x86_64__)

#include <immintrin.h>

#include <algorithm>

#include "voice_encoder/sliding_sums_x86.h"
#include "voice_encoder/target_correlation.h"

namespace vox::g729 {

namespace {

constexpr int kPairs = kSubframe / 2;

struct SlidingTarget {
    SlidingTarget(const Word16 h[kSubframe], const Word16 x[kSubframe]) {
        std::copy(x, x + kSubframe, padded);
        for (int p = 0; p < kPairs; ++p) pairs[p] = tap_pair(h[2 * p], h[2 * p + 1]);
    }
    // 2 * 40 samples cover the reads of the last block of 8
    Word16 padded[2 * kSubframe] = {};
    std::int32_t pairs[kPairs];
};

// y[i .. i + 7], doubled as l_mac doubles them.
void block_of_8(const SlidingTarget& t, int i, Word32* y) {
    __m128i low;
    __m128i high;
    sliding_sums_8(t.padded + i, t.pairs, kPairs, low, high);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(y + i), _mm_slli_epi32(low, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(y + i + 4), _mm_slli_epi32(high, 1));
}

}  // namespace

void exact_backward_correlation_sse2(const Word16 h[kSubframe], const Word16 x[kSubframe],
                                     Word32 y[kSubframe]) {
    const SlidingTarget t(h, x);
    for (int i = 0; i < kSubframe; i += 8) block_of_8(t, i, y);
}

__attribute__((target("avx2"))) void exact_backward_correlation_avx2(const Word16 h[kSubframe],
                                                                     const Word16 x[kSubframe],
                                                                     Word32 y[kSubframe]) {
    const SlidingTarget t(h, x);
    for (int i = 0; i < 32; i += 16) {
        __m256i low;
        __m256i high;
        sliding_sums_16(t.padded + i, t.pairs, kPairs, low, high);
        // low holds outputs 0..3 and 8..11, high 4..7 and 12..15
        const __m256i first = _mm256_permute2x128_si256(low, high, 0x20);
        const __m256i second = _mm256_permute2x128_si256(low, high, 0x31);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(y + i), _mm256_slli_epi32(first, 1));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(y + i + 8), _mm256_slli_epi32(second, 1));
    }
    block_of_8(t, 32, y);
}

}  // namespace vox::g729

#endif
