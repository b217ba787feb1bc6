#include "voice_encoder/lsp_quantiser.h"

#include <algorithm>

#include "voice_encoder/lsp_codebook_search.h"
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

void LspPredictorMemory::reset() {
    for (auto& row : past) std::copy(lsp_ma_reset, lsp_ma_reset + kLpOrder, row);
}

LspIndices quantise_lsp(const Word16 lsp[kLpOrder], Word16 lsp_q[kLpOrder],
                        LspPredictorMemory& memory) {
    Word16 lsf[kLpOrder];
    lsp_to_lsf(lsp, lsf);
    Word16 w[kLpOrder];
    lsf_weights(lsf, w);

    const VectorPath path = active_vector_path();
    int first[2];
    int low[2];
    int high[2];
    Word32 error[2];
    for (int mode = 0; mode < 2; ++mode) {
        Word16 residual[kLpOrder];
        prediction_residual(lsf, mode, memory, residual);
        first[mode] = nearest_first_stage(residual, path);
        const Word16* entry = lsp_codebook1[first[mode]];
        Word16 target[kLpOrder];
        for (int j = 0; j < kLpOrder; ++j) target[j] = sub(residual[j], entry[j]);
        Word16 q[kLpOrder];
        low[mode] = nearest_second_stage(target, w, 0, path);
        for (int j = 0; j < kHalf; ++j) q[j] = add(entry[j], lsp_codebook2[low[mode]][j]);
        expand(q, 1, kHalf, kGap1);
        high[mode] = nearest_second_stage(target, w, kHalf, path);
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
