// The LSP codebook searches in SSE2 and AVX2. Both stages take a shortcut a
// bound admits: when the sum of the squared largest differences of the
// target to any entry stays below 2^30, no difference saturates, no distance
// reaches the cap and every sum fits in a signed 32-bit lane, so the distances
// are plain sums of products of neighbouring columns (pmaddwd). Otherwise the
// portable search runs.
#if defined(__x86_64__)

#include <immintrin.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "voice_encoder/lsp_codebook_search.h"
#include "voice_encoder/sliding_sums_x86.h"
#include "voice_encoder/tables.h"

namespace vox::g729::lsp_search_detail {

namespace {

constexpr int kHalf = kLpOrder / 2;
constexpr int kFirstPairs = kLpOrder / 2;  // column pairs of the first stage
constexpr int kSecondPairs = 3;            // of a second-stage half, the last padded with zeros

// The columns paired entry by entry ({c[i][2p], c[i][2p + 1]} side by side),
// and each column's smallest and largest value for the bound.
struct PairedCodebooks {
    PairedCodebooks() {
        for (int p = 0; p < kFirstPairs; ++p) {
            for (int i = 0; i < kFirstStageSize; ++i) {
                first[p][i][0] = lsp_codebook1[i][2 * p];
                first[p][i][1] = lsp_codebook1[i][2 * p + 1];
            }
        }
        for (int half = 0; half < 2; ++half) {
            for (int p = 0; p < kSecondPairs; ++p) {
                for (int i = 0; i < kSecondStageSize; ++i) {
                    for (int k = 0; k < 2; ++k) {
                        const int j = 2 * p + k;
                        second[half][p][i][k] = j < kHalf ? lsp_codebook2[i][half * kHalf + j] : 0;
                    }
                }
            }
        }
        for (int j = 0; j < kLpOrder; ++j) {
            low1[j] = high1[j] = lsp_codebook1[0][j];
            for (int i = 0; i < kFirstStageSize; ++i) {
                low1[j] = std::min(low1[j], lsp_codebook1[i][j]);
                high1[j] = std::max(high1[j], lsp_codebook1[i][j]);
            }
            low2[j] = high2[j] = lsp_codebook2[0][j];
            for (int i = 0; i < kSecondStageSize; ++i) {
                low2[j] = std::min(low2[j], lsp_codebook2[i][j]);
                high2[j] = std::max(high2[j], lsp_codebook2[i][j]);
            }
        }
    }
    alignas(32) Word16 first[kFirstPairs][kFirstStageSize][2];
    alignas(32) Word16 second[2][kSecondPairs][kSecondStageSize][2];
    Word16 low1[kLpOrder], high1[kLpOrder], low2[kLpOrder], high2[kLpOrder];
};

const PairedCodebooks& paired() {
    static const PairedCodebooks books;
    return books;
}

// True when sum over j in [from, to) of max |target[j] - c| over the column's
// values c stays below 2^30.
bool differences_fit(const Word16* target, const Word16* low, const Word16* high, int from,
                     int to) {
    std::int64_t sum = 0;
    for (int j = from; j < to; ++j) {
        const std::int64_t d = std::max(std::abs(std::int32_t{target[j]} - low[j]),
                                        std::abs(std::int32_t{target[j]} - high[j]));
        sum += d * d;
    }
    return sum < (std::int64_t{1} << 30);
}

// mult(w, t) lane by lane for w >= 0: the product's bits 15..30, which hold
// it whole since |w t| / 2^15 < 2^15.
__m128i fractional_product_sse2(__m128i w, __m128i t) {
    return _mm_or_si128(_mm_slli_epi16(_mm_mulhi_epi16(w, t), 1),
                        _mm_srli_epi16(_mm_mullo_epi16(w, t), 15));
}

__m128i smaller_sse2(__m128i a, __m128i b) {
    const __m128i b_smaller = _mm_cmpgt_epi32(a, b);
    return _mm_or_si128(_mm_and_si128(b_smaller, b), _mm_andnot_si128(b_smaller, a));
}

// Index of the first smallest of n values (n a multiple of 4).
int first_smallest_sse2(const std::int32_t* v, int n) {
    __m128i m = _mm_load_si128(reinterpret_cast<const __m128i*>(v));
    for (int i = 4; i < n; i += 4)
        m = smaller_sse2(m, _mm_load_si128(reinterpret_cast<const __m128i*>(v + i)));
    m = smaller_sse2(m, _mm_shuffle_epi32(m, 0x4E));
    m = smaller_sse2(m, _mm_shuffle_epi32(m, 0xB1));
    for (int i = 0;; i += 4) {
        const __m128i equal =
            _mm_cmpeq_epi32(_mm_load_si128(reinterpret_cast<const __m128i*>(v + i)), m);
        const int mask = _mm_movemask_ps(_mm_castsi128_ps(equal));
        if (mask != 0) return i + __builtin_ctz(static_cast<unsigned>(mask));
    }
}

__attribute__((target("avx2"))) __m256i fractional_product_avx2(__m256i w, __m256i t) {
    return _mm256_or_si256(_mm256_slli_epi16(_mm256_mulhi_epi16(w, t), 1),
                           _mm256_srli_epi16(_mm256_mullo_epi16(w, t), 15));
}

__attribute__((target("avx2"))) int first_smallest_avx2(const std::int32_t* v, int n) {
    __m256i m = _mm256_load_si256(reinterpret_cast<const __m256i*>(v));
    for (int i = 8; i < n; i += 8)
        m = _mm256_min_epi32(m, _mm256_load_si256(reinterpret_cast<const __m256i*>(v + i)));
    m = _mm256_min_epi32(m, _mm256_permute2x128_si256(m, m, 0x01));
    m = _mm256_min_epi32(m, _mm256_shuffle_epi32(m, 0x4E));
    m = _mm256_min_epi32(m, _mm256_shuffle_epi32(m, 0xB1));
    for (int i = 0;; i += 8) {
        const __m256i equal =
            _mm256_cmpeq_epi32(_mm256_load_si256(reinterpret_cast<const __m256i*>(v + i)), m);
        const int mask = _mm256_movemask_ps(_mm256_castsi256_ps(equal));
        if (mask != 0) return i + __builtin_ctz(static_cast<unsigned>(mask));
    }
}

}  // namespace

int nearest_first_stage_sse2(const Word16 residual[kLpOrder]) {
    const PairedCodebooks& books = paired();
    if (!differences_fit(residual, books.low1, books.high1, 0, kLpOrder))
        return nearest_first_stage(residual, VectorPath::portable);
    __m128i target[kFirstPairs];
    for (int p = 0; p < kFirstPairs; ++p)
        target[p] = _mm_set1_epi32(tap_pair(residual[2 * p], residual[2 * p + 1]));
    alignas(16) std::int32_t dist[kFirstStageSize];
    for (int i = 0; i < kFirstStageSize; i += 4) {
        __m128i sum = _mm_setzero_si128();
        for (int p = 0; p < kFirstPairs; ++p) {
            const __m128i t = _mm_sub_epi16(
                target[p], _mm_load_si128(reinterpret_cast<const __m128i*>(books.first[p][i])));
            sum = _mm_add_epi32(sum, _mm_madd_epi16(t, t));
        }
        _mm_store_si128(reinterpret_cast<__m128i*>(dist + i), sum);
    }
    return first_smallest_sse2(dist, kFirstStageSize);
}

__attribute__((target("avx2"))) int nearest_first_stage_avx2(const Word16 residual[kLpOrder]) {
    const PairedCodebooks& books = paired();
    if (!differences_fit(residual, books.low1, books.high1, 0, kLpOrder))
        return nearest_first_stage(residual, VectorPath::portable);
    __m256i target[kFirstPairs];
    for (int p = 0; p < kFirstPairs; ++p)
        target[p] = _mm256_set1_epi32(tap_pair(residual[2 * p], residual[2 * p + 1]));
    alignas(32) std::int32_t dist[kFirstStageSize];
    for (int i = 0; i < kFirstStageSize; i += 8) {
        __m256i sum = _mm256_setzero_si256();
        for (int p = 0; p < kFirstPairs; ++p) {
            const __m256i t = _mm256_sub_epi16(
                target[p], _mm256_load_si256(reinterpret_cast<const __m256i*>(books.first[p][i])));
            sum = _mm256_add_epi32(sum, _mm256_madd_epi16(t, t));
        }
        _mm256_store_si256(reinterpret_cast<__m256i*>(dist + i), sum);
    }
    return first_smallest_avx2(dist, kFirstStageSize);
}

int nearest_second_stage_sse2(const Word16 target[kLpOrder], const Word16 w[kLpOrder], int from) {
    const PairedCodebooks& books = paired();
    if (!differences_fit(target, books.low2, books.high2, from, from + kHalf))
        return nearest_second_stage(target, w, from, VectorPath::portable);
    __m128i t0[kSecondPairs];
    __m128i weight[kSecondPairs];
    for (int p = 0; p < kSecondPairs; ++p) {
        const int j = from + 2 * p;
        const bool odd_in_half = 2 * p + 1 < kHalf;
        t0[p] = _mm_set1_epi32(tap_pair(target[j], odd_in_half ? target[j + 1] : 0));
        weight[p] = _mm_set1_epi32(tap_pair(w[j], odd_in_half ? w[j + 1] : 0));
    }
    const auto& book = books.second[from / kHalf];
    alignas(16) std::int32_t dist[kSecondStageSize];
    for (int i = 0; i < kSecondStageSize; i += 4) {
        __m128i sum = _mm_setzero_si128();
        for (int p = 0; p < kSecondPairs; ++p) {
            const __m128i t =
                _mm_sub_epi16(t0[p], _mm_load_si128(reinterpret_cast<const __m128i*>(book[p][i])));
            sum = _mm_add_epi32(sum, _mm_madd_epi16(fractional_product_sse2(weight[p], t), t));
        }
        _mm_store_si128(reinterpret_cast<__m128i*>(dist + i), sum);
    }
    return first_smallest_sse2(dist, kSecondStageSize);
}

__attribute__((target("avx2"))) int nearest_second_stage_avx2(const Word16 target[kLpOrder],
                                                              const Word16 w[kLpOrder], int from) {
    const PairedCodebooks& books = paired();
    if (!differences_fit(target, books.low2, books.high2, from, from + kHalf))
        return nearest_second_stage(target, w, from, VectorPath::portable);
    __m256i t0[kSecondPairs];
    __m256i weight[kSecondPairs];
    for (int p = 0; p < kSecondPairs; ++p) {
        const int j = from + 2 * p;
        const bool odd_in_half = 2 * p + 1 < kHalf;
        t0[p] = _mm256_set1_epi32(tap_pair(target[j], odd_in_half ? target[j + 1] : 0));
        weight[p] = _mm256_set1_epi32(tap_pair(w[j], odd_in_half ? w[j + 1] : 0));
    }
    const auto& book = books.second[from / kHalf];
    alignas(32) std::int32_t dist[kSecondStageSize];
    for (int i = 0; i < kSecondStageSize; i += 8) {
        __m256i sum = _mm256_setzero_si256();
        for (int p = 0; p < kSecondPairs; ++p) {
            const __m256i t = _mm256_sub_epi16(
                t0[p], _mm256_load_si256(reinterpret_cast<const __m256i*>(book[p][i])));
            sum =
                _mm256_add_epi32(sum, _mm256_madd_epi16(fractional_product_avx2(weight[p], t), t));
        }
        _mm256_store_si256(reinterpret_cast<__m256i*>(dist + i), sum);
    }
    return first_smallest_avx2(dist, kSecondStageSize);
}

}  // namespace vox::g729::lsp_search_detail

#endif
