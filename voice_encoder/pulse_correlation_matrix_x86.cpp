#if defined(__x86_64__)

#include <immintrin.h>

#include "voice_encoder/pulse_correlation_matrix.h"

namespace vox::g729 {

namespace {

// mult(v, f) lane by lane where the product cannot saturate (f > -32768):
// bits 15..30 of the product.
__m128i fractional_product(__m128i v, __m128i f) {
    return _mm_or_si128(_mm_slli_epi16(_mm_mulhi_epi16(v, f), 1),
                        _mm_srli_epi16(_mm_mullo_epi16(v, f), 15));
}

// Copies the entries left of the diagonal to their mirror places: blocks of
// 8 x 8 below the diagonal by an SSE2 transpose, the blocks on it one by one.
void mirror_lower_triangle(Word16 r[kPulseRows][kPulseRows]) {
    constexpr int kBlocks = kPulseRows / 8;
    for (int bj = 1; bj < kBlocks; ++bj) {
        for (int bi = 0; bi < bj; ++bi) {
            __m128i row[8];
            for (int k = 0; k < 8; ++k)
                row[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r[8 * bj + k] + 8 * bi));
            // three rounds of interleaving turn rows into columns
            __m128i a[8];
            __m128i b[8];
            for (int k = 0; k < 4; ++k) {
                a[2 * k] = _mm_unpacklo_epi16(row[2 * k], row[2 * k + 1]);
                a[2 * k + 1] = _mm_unpackhi_epi16(row[2 * k], row[2 * k + 1]);
            }
            for (int k = 0; k < 2; ++k) {
                b[4 * k] = _mm_unpacklo_epi32(a[4 * k], a[4 * k + 2]);
                b[4 * k + 1] = _mm_unpackhi_epi32(a[4 * k], a[4 * k + 2]);
                b[4 * k + 2] = _mm_unpacklo_epi32(a[4 * k + 1], a[4 * k + 3]);
                b[4 * k + 3] = _mm_unpackhi_epi32(a[4 * k + 1], a[4 * k + 3]);
            }
            for (int k = 0; k < 4; ++k) {
                const __m128i low = _mm_unpacklo_epi64(b[k], b[k + 4]);
                const __m128i high = _mm_unpackhi_epi64(b[k], b[k + 4]);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(r[8 * bi + 2 * k] + 8 * bj), low);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(r[8 * bi + 2 * k + 1] + 8 * bj), high);
            }
        }
    }
    for (int base = 0; base < kPulseRows; base += 8)
        for (int j = base + 1; j < base + 8; ++j)
            for (int i = base; i < j; ++i) r[i][j] = r[j][i];
}

}  // namespace

void signed_correlation_matrix_sse2(const Word16 hs[kPulseRows], const Word16 sign[kPulseRows],
                                    PulseSigns rule, Word16 r[kPulseRows][kPulseRows],
                                    Word16 diagonal[kPulseRows]) {
    constexpr int kRows = kPulseRows;
    // g with zeros before it, so that g[m - n] reads 0 for m < n
    alignas(16) Word16 padded[2 * kRows] = {};
    Word16* g = padded + kRows;
    for (int m = 0; m < kRows; ++m) g[m] = hs[kRows - 1 - m];
    // B[m]; room after the 40 sums for the reads of full rows of 40
    alignas(16) std::int32_t sums[2 * kRows] = {};

    __m128i acc[kRows / 4];
    for (__m128i& a : acc) a = _mm_setzero_si128();
    const __m128i kLike = _mm_set1_epi16(kMax16);
    for (int n = 0; n < kRows; ++n) {
        const __m128i h = _mm_set1_epi16(hs[n]);
        for (int c = 0; c < kRows / 8; ++c) {
            const __m128i gv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(g + 8 * c - n));
            const __m128i low = _mm_mullo_epi16(h, gv);
            const __m128i high = _mm_mulhi_epi16(h, gv);
            acc[2 * c] = _mm_add_epi32(acc[2 * c], _mm_unpacklo_epi16(low, high));
            acc[2 * c + 1] = _mm_add_epi32(acc[2 * c + 1], _mm_unpackhi_epi16(low, high));
        }
        for (int c = 0; c < kRows / 4; ++c)
            _mm_store_si128(reinterpret_cast<__m128i*>(sums + 4 * c), acc[c]);

        // row j = 39 - n: entries i = 0..j from B[n + i], upper halves of 2 B
        const int j = kRows - 1 - n;
        const __m128i sign_j = _mm_set1_epi16(sign[j]);
        for (int i = 0; i <= j; i += 8) {
            const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + n + i));
            const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + n + i + 4));
            const __m128i v = _mm_packs_epi32(_mm_srai_epi32(b0, 15), _mm_srai_epi32(b1, 15));
            const __m128i sign_i = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sign + i));
            __m128i out;
            if (rule == PulseSigns::four_pulse) {
                // mult(v, 32767) for like signs; mult(v, -32768) = -v, saturated
                const __m128i like = fractional_product(v, kLike);
                const __m128i unlike_value = _mm_subs_epi16(_mm_setzero_si128(), v);
                const __m128i unlike = _mm_srai_epi16(_mm_xor_si128(sign_i, sign_j), 15);
                out = _mm_or_si128(_mm_and_si128(unlike, unlike_value),
                                   _mm_andnot_si128(unlike, like));
            } else {
                // mult(s[i], s[j]): 32766 for two positive signs, 32767 for two
                // negative ones (saturated), -32767 for unlike ones
                const __m128i like = _mm_cmpeq_epi16(sign_i, sign_j);
                const __m128i like_factor =
                    _mm_sub_epi16(_mm_set1_epi16(32766), _mm_srai_epi16(sign_i, 15));
                const __m128i factor = _mm_or_si128(_mm_and_si128(like, like_factor),
                                                    _mm_andnot_si128(like, _mm_set1_epi16(-32767)));
                out = fractional_product(v, factor);
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(r[j] + i), out);
        }
        diagonal[j] = static_cast<Word16>(sums[kRows - 1] >> 15);
        if (rule == PulseSigns::four_pulse) r[j][j] = diagonal[j];
    }
    mirror_lower_triangle(r);
}

}  // namespace vox::g729

#endif
