#include "voice_encoder/lsp_quantiser.h"

#include <algorithm>
#include <cstdint>

#include "voice_encoder/lsp_conversion.h"
#include "voice_encoder/tables.h"

namespace vox::g729 {

namespace {

constexpr int kHalf = kLpOrder / 2;
constexpr Word16 kGap1 = 10;        // minimum distance of the first expansion, Q13
constexpr Word16 kGap2 = 5;         // and of the second
constexpr Word16 kGap3 = 321;       // minimum distance after quantisation
constexpr Word16 kLsfLow = 40;      // lowest LSF, Q13
constexpr Word16 kLsfHigh = 25681;  // highest LSF, Q13

// Weights of the distance measure from the spacing of the LSFs (3.2.4, eq. 22).
void lsf_weights(const Word16 lsf[kLpOrder], Word16 w[kLpOrder]) {
    constexpr Word16 kPi04 = 1029;   // 0.04 pi in Q13
    constexpr Word16 kPi92 = 23677;  // 0.92 pi in Q13
    Word16 d[kLpOrder];
    d[0] = sub(lsf[1], kPi04 + 8192);
    for (int i = 1; i < kLpOrder - 1; ++i) d[i] = sub(sub(lsf[i + 1], lsf[i - 1]), 8192);
    d[kLpOrder - 1] = sub(kPi92 - 8192, lsf[kLpOrder - 2]);
    for (int i = 0; i < kLpOrder; ++i) {
        if (d[i] > 0) {
            w[i] = 2048;
        } else {
            Word16 t = extract_h(l_shl(l_mult(d[i], d[i]), 2));
            t = extract_h(l_shl(l_mult(t, 20480), 2));  // times 10
            w[i] = add(t, 2048);
        }
    }
    w[4] = extract_h(l_shl(l_mult(w[4], 19661), 1));  // times 1.2
    w[5] = extract_h(l_shl(l_mult(w[5], 19661), 1));
    const Word16 largest = *std::max_element(w, w + kLpOrder);
    const Word16 norm = norm_s(std::max<Word16>(largest, 0));
    for (int i = 0; i < kLpOrder; ++i) w[i] = shl(w[i], norm);
}

// Pushes neighbours in [from, to) apart to at least `gap`.
void expand(Word16 buf[kLpOrder], int from, int to, Word16 gap) {
    for (int j = from; j < to; ++j) {
        const Word16 t = shr(add(sub(buf[j - 1], buf[j]), gap), 1);
        if (t > 0) {
            buf[j - 1] = sub(buf[j - 1], t);
            buf[j] = add(buf[j], t);
        }
    }
}

// Residual of the target after removing predictor `mode`'s contribution.
void prediction_residual(const Word16 lsf[kLpOrder], int mode, const LspPredictorMemory& m,
                         Word16 residual[kLpOrder]) {
    for (int j = 0; j < kLpOrder; ++j) {
        Word32 t = l_deposit_h(lsf[j]);
        for (int k = 0; k < 4; ++k) t = l_msu(t, m.past[k][j], lsp_ma_predictor[mode][k][j]);
        t = l_mult(extract_h(t), lsp_ma_predictor_sum_inv[mode][j]);
        residual[j] = extract_h(l_shl(t, 3));
    }
}

// The distances below sum terms that are never negative, so their
// saturating sums equal the exact sums capped at 2^31 - 1. A term reaches
// 2^31 itself when a difference saturates at -32768; it is summed in 64 bits.
Word32 capped(std::int64_t sum) {
    return sum > kMax32 ? kMax32 : static_cast<Word32>(sum);
}

constexpr int kFirstStageSize = 128;

// The first-stage codebook by column, built once, so that the distances of
// all entries advance together one LSF at a time.
struct FirstStageColumns {
    FirstStageColumns() {
        for (int i = 0; i < kFirstStageSize; ++i)
            for (int j = 0; j < kLpOrder; ++j) column[j][i] = lsp_codebook1[i][j];
    }
    Word16 column[kLpOrder][kFirstStageSize];
};

// Best second-stage entry for the half [from, from + 5) by weighted distance.
int nearest_second_stage(const Word16 residual[kLpOrder], const Word16 first[kLpOrder],
                         const Word16 w[kLpOrder], int from) {
    Word16 target[kLpOrder];
    for (int j = from; j < from + kHalf; ++j) target[j] = sub(residual[j], first[j]);
    Word32 best = kMax32;
    int index = 0;
    for (int k = 0; k < 32; ++k) {
        // w t t with w >= 0: mult keeps the sign of t or gives 0
        std::int64_t sum = 0;
        for (int j = from; j < from + kHalf; ++j) {
            const Word16 t = sub(target[j], lsp_codebook2[k][j]);
            sum += 2 * std::int32_t{mult(w[j], t)} * t;
        }
        const Word32 dist = capped(sum);
        if (l_sub(dist, best) < 0) {
            best = dist;
            index = k;
        }
    }
    return index;
}

Word32 weighted_error(const Word16 w[kLpOrder], const Word16 q[kLpOrder],
                      const Word16 residual[kLpOrder], int mode) {
    Word32 dist = 0;
    for (int j = 0; j < kLpOrder; ++j) {
        const Word16 t = mult(sub(q[j], residual[j]), lsp_ma_predictor_sum[mode][j]);
        const Word16 wt = extract_h(l_shl(l_mult(w[j], t), 4));
        dist = l_mac(dist, wt, t);
    }
    return dist;
}

// Sorts neighbours once, then enforces the lower bound, the minimum distance
// and the upper bound of the quantised LSFs (3.2.4).
void make_stable(Word16 lsf[kLpOrder]) {
    for (int j = 0; j < kLpOrder - 1; ++j) {
        if (lsf[j + 1] < lsf[j]) std::swap(lsf[j], lsf[j + 1]);
    }
    lsf[0] = std::max(lsf[0], kLsfLow);
    for (int j = 0; j < kLpOrder - 1; ++j) {
        if (Word32{lsf[j + 1]} - lsf[j] < kGap3) lsf[j + 1] = add(lsf[j], kGap3);
    }
    lsf[kLpOrder - 1] = std::min(lsf[kLpOrder - 1], kLsfHigh);
}

// Quantised LSFs of the codebook entries and predictor `mode` (Q13); pushes
// the new residual into the memory.
void reconstruct(int mode, int first, int second_low, int second_high, LspPredictorMemory& m,
                 Word16 lsf_q[kLpOrder]) {
    Word16 buf[kLpOrder];
    for (int j = 0; j < kHalf; ++j)
        buf[j] = add(lsp_codebook1[first][j], lsp_codebook2[second_low][j]);
    for (int j = kHalf; j < kLpOrder; ++j) {
        buf[j] = add(lsp_codebook1[first][j], lsp_codebook2[second_high][j]);
    }
    expand(buf, 1, kLpOrder, kGap1);
    expand(buf, 1, kLpOrder, kGap2);
    for (int j = 0; j < kLpOrder; ++j) {
        Word32 t = l_mult(buf[j], lsp_ma_predictor_sum[mode][j]);
        for (int k = 0; k < 4; ++k) t = l_mac(t, m.past[k][j], lsp_ma_predictor[mode][k][j]);
        lsf_q[j] = extract_h(t);
    }
    for (int k = 3; k > 0; --k) std::copy(m.past[k - 1], m.past[k - 1] + kLpOrder, m.past[k]);
    std::copy(buf, buf + kLpOrder, m.past[0]);
    make_stable(lsf_q);
}

}  // namespace

int nearest_first_stage(const Word16 residual[kLpOrder]) {
    static const FirstStageColumns book;
    // Half the distances, held at 2^30 once they reach it: a half of 2^30 or
    // more caps the distance, and below that no partial sum was held. Every
    // square is at most 2^30, so the sums stay in unsigned 32-bit lanes.
    constexpr std::uint32_t kHalfCap = std::uint32_t{1} << 30;
    std::uint32_t half[kFirstStageSize] = {};
    for (int j = 0; j < kLpOrder; ++j) {
        const Word16* column = book.column[j];
        for (int i = 0; i < kFirstStageSize; ++i) {
            const std::int32_t t = sub(residual[j], column[i]);
            const std::uint32_t grown = half[i] + static_cast<std::uint32_t>(t * t);
            half[i] = grown < kHalfCap ? grown : kHalfCap;
        }
    }
    Word32 best = kMax32;
    int index = 0;
    for (int i = 0; i < kFirstStageSize; ++i) {
        const Word32 dist = half[i] < kHalfCap ? static_cast<Word32>(2 * half[i]) : kMax32;
        if (dist < best) {
            best = dist;
            index = i;
        }
    }
    return index;
}

void LspPredictorMemory::reset() {
    for (auto& row : past) std::copy(lsp_ma_reset, lsp_ma_reset + kLpOrder, row);
}

LspIndices quantise_lsp(const Word16 lsp[kLpOrder], Word16 lsp_q[kLpOrder],
                        LspPredictorMemory& memory) {
    Word16 lsf[kLpOrder];
    lsp_to_lsf(lsp, lsf);
    Word16 w[kLpOrder];
    lsf_weights(lsf, w);

    int first[2];
    int low[2];
    int high[2];
    Word32 error[2];
    for (int mode = 0; mode < 2; ++mode) {
        Word16 residual[kLpOrder];
        prediction_residual(lsf, mode, memory, residual);
        first[mode] = nearest_first_stage(residual);
        const Word16* entry = lsp_codebook1[first[mode]];
        Word16 q[kLpOrder];
        low[mode] = nearest_second_stage(residual, entry, w, 0);
        for (int j = 0; j < kHalf; ++j) q[j] = add(entry[j], lsp_codebook2[low[mode]][j]);
        expand(q, 1, kHalf, kGap1);
        high[mode] = nearest_second_stage(residual, entry, w, kHalf);
        for (int j = kHalf; j < kLpOrder; ++j) q[j] = add(entry[j], lsp_codebook2[high[mode]][j]);
        expand(q, kHalf, kLpOrder, kGap1);
        expand(q, 1, kLpOrder, kGap2);
        error[mode] = weighted_error(w, q, residual, mode);
    }
    const int mode = l_sub(error[1], error[0]) < 0 ? 1 : 0;

    Word16 lsf_q[kLpOrder];
    reconstruct(mode, first[mode], low[mode], high[mode], memory, lsf_q);
    lsf_to_lsp(lsf_q, lsp_q);
    return {static_cast<Word16>((mode << 7) | first[mode]),
            static_cast<Word16>((low[mode] << 5) | high[mode])};
}

void decode_lsp(LspIndices indices, Word16 lsp_q[kLpOrder], LspPredictorMemory& memory) {
    Word16 lsf_q[kLpOrder];
    reconstruct((indices.l0_l1 >> 7) & 1, indices.l0_l1 & 127, (indices.l2_l3 >> 5) & 31,
                indices.l2_l3 & 31, memory, lsf_q);
    lsf_to_lsp(lsf_q, lsp_q);
}

}  // namespace vox::g729
