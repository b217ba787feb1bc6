#pragma once
// LSP quantisation of G.729 (3.2.4): switched 4th-order MA prediction, a
// 128-entry first stage and a split 2 x 32-entry second stage, 18 bits in all,
// with the reconstruction and stability rules shared by coder and decoder.

#include "voice_encoder/lp_analysis.h"

namespace vox::g729 {

// Quantised LSF residuals of the last four frames (Q13).
struct LspPredictorMemory {
    Word16 past[4][kLpOrder];
    void reset();
};

// The two LSP fields of a frame: L0L1 (predictor bit, then 7-bit first stage)
// and L2L3 (two 5-bit second-stage halves).
struct LspIndices {
    Word16 l0_l1;
    Word16 l2_l3;
};

// Quantises the pairs lsp (Q15) into lsp_q and the indices, and moves the
// predictor memory on.
LspIndices quantise_lsp(const Word16 lsp[kLpOrder], Word16 lsp_q[kLpOrder],
                        LspPredictorMemory& memory);

// Quantised pairs (Q15) of the indices, moving the predictor memory on as the
// coder did.
void decode_lsp(LspIndices indices, Word16 lsp_q[kLpOrder], LspPredictorMemory& memory);

}  // namespace vox::g729
