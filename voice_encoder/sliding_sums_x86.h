#pragma once
// Sums of products of a sliding window of 16-bit samples with fixed taps,
// s[i] = sum_k w[i + k] c[k], for 8 (SSE2) or 16 (AVX2) neighbouring outputs
// at once: the taps two by two in each 32-bit lane, the window's samples
// paired to match by interleaving two loads one sample apart, pmaddwd. The
// caller proves the sums fit in 32 bits. x86-64 only.

#include <immintrin.h>

#include <cstdint>

#include "voice_encoder/basic_ops.h"

namespace vox::g729 {

// Taps c[2p], c[2p + 1] as one 32-bit lane value.
inline std::int32_t tap_pair(Word16 even, Word16 odd) {
    return static_cast<std::int32_t>(
        (static_cast<std::uint32_t>(static_cast<std::uint16_t>(odd)) << 16) |
        static_cast<std::uint16_t>(even));
}

// Outputs 0..3 in low, 4..7 in high; reads w[0 .. 2 pairs + 7).
inline void sliding_sums_8(const Word16* w, const std::int32_t* pairs, int pair_count, __m128i& low,
                           __m128i& high) {
    low = _mm_setzero_si128();
    high = _mm_setzero_si128();
    for (int p = 0; p < pair_count; ++p) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + 2 * p));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + 2 * p + 1));
        const __m128i taps = _mm_set1_epi32(pairs[p]);
        low = _mm_add_epi32(low, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), taps));
        high = _mm_add_epi32(high, _mm_madd_epi16(_mm_unpackhi_epi16(a, b), taps));
    }
}

// Outputs 0..3 and 8..11 in low, 4..7 and 12..15 in high (the unpacks work
// within each 128-bit half); reads w[0 .. 2 pairs + 15).
__attribute__((target("avx2"))) inline void sliding_sums_16(const Word16* w,
                                                            const std::int32_t* pairs,
                                                            int pair_count, __m256i& low,
                                                            __m256i& high) {
    low = _mm256_setzero_si256();
    high = _mm256_setzero_si256();
    for (int p = 0; p < pair_count; ++p) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + 2 * p));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + 2 * p + 1));
        const __m256i taps = _mm256_set1_epi32(pairs[p]);
        low = _mm256_add_epi32(low, _mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), taps));
        high = _mm256_add_epi32(high, _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), taps));
    }
}

}  // namespace vox::g729
