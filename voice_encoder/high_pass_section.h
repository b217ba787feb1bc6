#pragma once
// The five products of a second-order pole-zero high-pass section, summed as
// the chain of saturating operators of both high-pass filters sums them:
//   mpy_32_16(y1, a1) + mpy_32_16(y2, a2) + x0 b0 + x1 b1 + x2 b2.
// Most samples are far from full scale, and then no partial sum of the chain
// can saturate, so plain 32-bit arithmetic gives the same bits for less work.

#include <algorithm>
#include <cstdlib>

#include "voice_encoder/basic_ops.h"

namespace vox::g729 {

// The past inputs and outputs of a section.
struct HighPassHistory {
    void push(Word16 x0, Word32 y0) {
        x2 = x1;
        x1 = x0;
        y2 = y1;
        y1 = l_extract(y0);
    }
    Word16 x1 = 0;
    Word16 x2 = 0;
    Dpf y1{0, 0};
    Dpf y2{0, 0};
};

class HighPassSection {
  public:
    // b and a as the filter tables hold them (a[0] unused).
    HighPassSection(const Word16 b[3], const Word16 a[3]) : b_{b[0], b[1], b[2]}, a_{a[1], a[2]} {
        const std::int64_t feedback = std::abs(Word32{a[1]}) + std::abs(Word32{a[2]});
        const std::int64_t all =
            feedback + std::abs(Word32{b[0]}) + std::abs(Word32{b[1]}) + std::abs(Word32{b[2]});
        // Every term is at most 2 m |c| for a sample or high half of magnitude
        // m, plus 2 |a| for mult(lo, a), so every partial sum stays below
        // 2 (m all + feedback); mpy_32_16 itself is exact while |a| < 2^14.
        const bool exact_products =
            std::abs(Word32{a[1]}) < 16384 && std::abs(Word32{a[2]}) < 16384;
        const std::int64_t limit = (kMax32 - 2 * feedback) / (2 * all);
        exact_limit_ = exact_products ? static_cast<Word32>(limit < 32768 ? limit : 32768) : -1;
    }

    Word32 operator()(const HighPassHistory& past, Word16 x0) const {
        return (*this)(past.y1, past.y2, x0, past.x1, past.x2);
    }
    Word32 operator()(Dpf y1, Dpf y2, Word16 x0, Word16 x1, Word16 x2) const {
        const Word32 largest =
            std::max({std::abs(Word32{x0}), std::abs(Word32{x1}), std::abs(Word32{x2}),
                      std::abs(Word32{y1.hi}), std::abs(Word32{y2.hi})});
        if (largest <= exact_limit_) return exact_sum(y1, y2, x0, x1, x2);
        return saturating_sum(y1, y2, x0, x1, x2);
    }

    // The two ways of forming the sum, also for tests that compare them.
    Word32 saturating_sum(Dpf y1, Dpf y2, Word16 x0, Word16 x1, Word16 x2) const {
        Word32 t = mpy_32_16(y1, a_[0]);
        t = l_add(t, mpy_32_16(y2, a_[1]));
        t = l_mac(t, x0, b_[0]);
        t = l_mac(t, x1, b_[1]);
        return l_mac(t, x2, b_[2]);
    }
    Word32 exact_sum(Dpf y1, Dpf y2, Word16 x0, Word16 x1, Word16 x2) const {
        const Word32 feedback =
            y1.hi * a_[0] + ((y1.lo * a_[0]) >> 15) + y2.hi * a_[1] + ((y2.lo * a_[1]) >> 15);
        return 2 * (feedback + x0 * b_[0] + x1 * b_[1] + x2 * b_[2]);
    }

    // Largest magnitude of the samples and high halves for which exact_sum
    // applies (-1 when never).
    Word32 exact_limit() const { return exact_limit_; }

  private:
    Word16 b_[3];
    Word16 a_[2];
    Word32 exact_limit_;
};

}  // namespace vox::g729
