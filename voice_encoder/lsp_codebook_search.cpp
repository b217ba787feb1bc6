#include "voice_encoder/lsp_codebook_search.h"

#include <cstdint>

#include "voice_encoder/tables.h"

namespace vox::g729 {

namespace lsp_search_detail {

const CodebookColumns& codebook_columns() {
    static const CodebookColumns columns = [] {
        CodebookColumns c{};
        for (int j = 0; j < kLpOrder; ++j) {
            for (int i = 0; i < kFirstStageSize; ++i) c.first[j][i] = lsp_codebook1[i][j];
            for (int i = 0; i < kSecondStageSize; ++i) c.second[j][i] = lsp_codebook2[i][j];
        }
        return c;
    }();
    return columns;
}

}  // namespace lsp_search_detail

namespace {

using lsp_search_detail::codebook_columns;

int nearest_first_stage_portable(const Word16 residual[kLpOrder]) {
    // Half the distances, held at 2^30 once they reach it: a half of 2^30 or
    // more caps the distance, and below that no partial sum was held. Every
    // square is at most 2^30, so the sums stay in unsigned 32-bit lanes.
    constexpr std::uint32_t kHalfCap = std::uint32_t{1} << 30;
    std::uint32_t half[kFirstStageSize] = {};
    for (int j = 0; j < kLpOrder; ++j) {
        const Word16* column = codebook_columns().first[j];
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

int nearest_second_stage_portable(const Word16 target[kLpOrder], const Word16 w[kLpOrder],
                                  int from) {
    Word32 best = kMax32;
    int index = 0;
    for (int k = 0; k < kSecondStageSize; ++k) {
        // w t t with w >= 0: mult keeps the sign of t or gives 0
        std::int64_t sum = 0;
        for (int j = from; j < from + kLpOrder / 2; ++j) {
            const Word16 t = sub(target[j], lsp_codebook2[k][j]);
            sum += 2 * std::int32_t{mult(w[j], t)} * t;
        }
        const Word32 dist = sum > kMax32 ? kMax32 : static_cast<Word32>(sum);
        if (dist < best) {
            best = dist;
            index = k;
        }
    }
    return index;
}

}  // namespace

int nearest_first_stage(const Word16 residual[kLpOrder], VectorPath path) {
    switch (path) {
#if defined(__x86_64__)
        case VectorPath::avx2:
            return lsp_search_detail::nearest_first_stage_avx2(residual);
        case VectorPath::sse2:
            return lsp_search_detail::nearest_first_stage_sse2(residual);
#endif
        default:
            return nearest_first_stage_portable(residual);
    }
}

int nearest_second_stage(const Word16 target[kLpOrder], const Word16 w[kLpOrder], int from,
                         VectorPath path) {
    switch (path) {
#if defined(__x86_64__)
        case VectorPath::avx2:
            return lsp_search_detail::nearest_second_stage_avx2(target, w, from);
        case VectorPath::sse2:
            return lsp_search_detail::nearest_second_stage_sse2(target, w, from);
#endif
        default:
            return nearest_second_stage_portable(target, w, from);
    }
}

}  // namespace vox::g729
