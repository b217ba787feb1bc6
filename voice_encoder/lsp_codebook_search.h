#pragma once
// Nearest-entry searches of the LSP quantiser's two codebook stages, in the
// form of each vector path. All forms return the same index.
//
// Distances are saturating l_mac chains of terms that are never negative, so
// they equal the exact sums capped at 2^31 - 1; the first of equally near
// entries wins.

#include "voice_encoder/lp_analysis.h"
#include "voice_encoder/vector_path.h"

namespace vox::g729 {

inline constexpr int kFirstStageSize = 128;
inline constexpr int kSecondStageSize = 32;

// Index of the first-stage entry nearest to the prediction residual (Q13) by
// squared distance.
int nearest_first_stage(const Word16 residual[kLpOrder], VectorPath path);

// Index of the second-stage entry nearest to `target` (the residual less the
// chosen first-stage entry) over the half [from, from + 5), by distance
// weighted with w, every w[j] in [0, 32767].
int nearest_second_stage(const Word16 target[kLpOrder], const Word16 w[kLpOrder], int from,
                         VectorPath path);

namespace lsp_search_detail {

// The two codebooks by column, so that the distances of all entries advance
// together one LSF at a time.
struct CodebookColumns {
    alignas(32) Word16 first[kLpOrder][kFirstStageSize];
    alignas(32) Word16 second[kLpOrder][kSecondStageSize];
};
const CodebookColumns& codebook_columns();

// The vector forms (x86-64 builds only).
int nearest_first_stage_sse2(const Word16 residual[kLpOrder]);
int nearest_first_stage_avx2(const Word16 residual[kLpOrder]);
int nearest_second_stage_sse2(const Word16 target[kLpOrder], const Word16 w[kLpOrder], int from);
int nearest_second_stage_avx2(const Word16 target[kLpOrder], const Word16 w[kLpOrder], int from);

}  // namespace lsp_search_detail

}  // namespace vox::g729
