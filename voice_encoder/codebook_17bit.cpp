#include "voice_encoder/codebook_17bit.h"

#include <cstdlib>

#include "voice_encoder/codebook_common.h"
#include "voice_encoder/pulse_correlation_matrix.h"
#include "voice_encoder/vector_path.h"

namespace vox::g729 {

namespace {

constexpr int kStep = 5;
constexpr Word16 kHalf = 16384;
constexpr Word16 kQuarter = 8192;
constexpr Word16 kEighth = 4096;
constexpr Word16 kSixteenth = 2048;

// Correlations of the (rescaled) impulse response for pulse pairs, signs
// applied off the diagonal. r(i, j) = sum_{n=0}^{39-max(i,j)} h[n] h[n+|i-j|]
// as the accumulations of Annex A produce it, kept to their upper 16 bits.
class PulseCorrelations {
  public:
    PulseCorrelations(const Word16 h[kSubframe], const Word16 sign[kSubframe]) {
        Word16 hs[kSubframe];
        if (!scale_for_correlations(h, hs)) {
            from_saturating_sums(h, sign);
            return;
        }
#if defined(__x86_64__)
        if (active_vector_path() != VectorPath::portable) {
            Word16 diagonal[kSubframe];
            signed_correlation_matrix_sse2(hs, sign, PulseSigns::four_pulse, r_, diagonal);
            return;
        }
#endif
        from_exact_sums(hs, sign);
    }
    Word16 operator()(int i, int j) const {
        return r_[i][j];
    }

  private:
    // mult(r, kMax16) for like signs, mult(r, kMin16) for unlike ones; without
    // a branch, which the random signs would mispredict half the time
    static Word16 signed_entry(Word16 r, Word16 sign_i, Word16 sign_j) {
        const int unlike = (sign_i ^ sign_j) >> 15;  // 0 or -1
        return mult(r, static_cast<Word16>(kMax16 ^ unlike));
    }

    // Each lag's sum grows along the diagonal from the end of the subframe
    // (n = 39 - j for the pair j - lag, j), so one running sum per lag gives
    // all its entries. Lags that only pair a track with itself are skipped:
    // the search never pairs two pulses of one track.
    void from_exact_sums(const Word16 hs[kSubframe], const Word16 sign[kSubframe]) {
        Word32 sum = 0;
        for (int n = 0, j = kSubframe - 1; n < kSubframe; ++n, --j) {
            sum += 2 * hs[n] * hs[n];
            r_[j][j] = extract_h(sum);
        }
        for (int lag = 1; lag < kSubframe; ++lag) {
            if (lag % kStep == 0) continue;
            sum = 0;
            for (int n = 0, j = kSubframe - 1; n + lag < kSubframe; ++n, --j) {
                sum += 2 * hs[n] * hs[n + lag];
                const int i = j - lag;
                r_[i][j] = r_[j][i] = signed_entry(extract_h(sum), sign[i], sign[j]);
            }
        }
    }

    void from_saturating_sums(const Word16 h[kSubframe], const Word16 sign[kSubframe]) {
        PartialCorrelations partial;
        partial_correlations(h, partial);
        for (int i = 0; i < kSubframe; ++i) {
            r_[i][i] = partial(0, kSubframe - 1 - i);
            for (int j = i + 1; j < kSubframe; ++j)
                r_[i][j] = r_[j][i] =
                    signed_entry(partial(j - i, kSubframe - 1 - j), sign[i], sign[j]);
        }
    }

    Word16 r_[kSubframe][kSubframe];
};

class DepthFirstSearch {
  public:
    DepthFirstSearch(const Word16 dn[kSubframe], const PulseCorrelations& r) : dn_(dn), r_(r) {}

    // First pair: the two largest |d| of track `ta`, each with every position of
    // track `tb`.
    void first_pair(int ta, int tb) {
        sq_ = -1;
        alp_ = 1;
        int previous = -1;
        for (int pass = 0; pass < 2; ++pass) {
            Word16 largest = -1;
            int i0 = 0;
            for (int j = ta; j < kSubframe; j += kStep) {
                if (dn_[j] > largest && j != previous) {
                    largest = dn_[j];
                    i0 = j;
                }
            }
            previous = i0;
            const Word32 alp1 = l_mult(r_(i0, i0), kQuarter);
            for (int i1 = tb; i1 < kSubframe; i1 += kStep) {
                const Word16 ps2 = add(dn_[i0], dn_[i1]);
                Word32 alp2 = l_mac(alp1, r_(i0, i1), kHalf);
                alp2 = l_mac(alp2, r_(i1, i1), kQuarter);
                const Word16 sq2 = mult(ps2, ps2);
                const Word16 alp16 = round16(alp2);
                if (improves_criterion(sq2, alp16, sq_, alp_)) {
                    sq_ = sq2;
                    ps_ = ps2;
                    alp_ = alp16;
                    ix_ = i0;
                    iy_ = i1;
                }
            }
        }
    }

    // Second pair on tracks tc and td, given the first pair (a, b).
    void second_pair(int a, int b, int tc, int td) {
        const Word16 ps0 = ps_;
        const Word32 alp0 = l_mult(alp_, kQuarter);
        sq_ = -1;
        alp_ = 1;
        Word16 partial_energy[kSubframe / kStep];
        for (int i3 = td, k = 0; i3 < kSubframe; i3 += kStep, ++k) {
            Word32 s = l_mult(r_(a, i3), kQuarter);
            s = l_mac(s, r_(b, i3), kQuarter);
            s = l_mac(s, r_(i3, i3), kEighth);
            partial_energy[k] = round16(s);
        }
        for (int i2 = tc; i2 < kSubframe; i2 += kStep) {
            const Word16 ps1 = add(ps0, dn_[i2]);
            Word32 alp1 = l_mac(alp0, r_(a, i2), kEighth);
            alp1 = l_mac(alp1, r_(b, i2), kEighth);
            alp1 = l_mac(alp1, r_(i2, i2), kSixteenth);
            for (int i3 = td, k = 0; i3 < kSubframe; i3 += kStep, ++k) {
                const Word16 ps2 = add(ps1, dn_[i3]);
                Word32 alp2 = l_mac(alp1, r_(i2, i3), kEighth);
                alp2 = l_mac(alp2, partial_energy[k], kHalf);
                const Word16 sq2 = mult(ps2, ps2);
                const Word16 alp16 = round16(alp2);
                if (improves_criterion(sq2, alp16, sq_, alp_)) {
                    sq_ = sq2;
                    alp_ = alp16;
                    ix_ = i2;
                    iy_ = i3;
                }
            }
        }
    }

    int ix() const { return ix_; }
    int iy() const { return iy_; }
    Word16 sq() const { return sq_; }
    Word16 alp() const { return alp_; }

  private:
    const Word16* dn_;
    const PulseCorrelations& r_;
    Word16 sq_ = -1;
    Word16 alp_ = 1;
    Word16 ps_ = 0;
    int ix_ = 0;
    int iy_ = 0;
};

}  // namespace

CodebookIndex17 search_codebook_17bit(const Word16 x[kSubframe], Word16 h[kSubframe], Word16 t0,
                                      Word16 sharpening, Word16 code[kSubframe],
                                      Word16 y[kSubframe]) {
    Word16 dn[kSubframe];
    Word16 sign[kSubframe];
    prepare_search(x, h, t0, sharpening, kMax16, kMin16, dn, sign);
    const PulseCorrelations r(h, sign);

    // four passes: tracks (2, t)+(0, 1) and (t, 0)+(1, 2) for t = 3 and 4; the
    // slots say which of the pulses i0..i3 each found position is
    DepthFirstSearch search(dn, r);
    Word16 best_sq = -1;
    Word16 best_alp = 1;
    int ip[4] = {0, 1, 2, 3};
    auto pass = [&](int ta, int tb, int tc, int td, const int(&slot)[4]) {
        search.first_pair(ta, tb);
        const int a = search.ix();
        const int b = search.iy();
        search.second_pair(a, b, tc, td);
        if (improves_criterion(search.sq(), search.alp(), best_sq, best_alp)) {
            best_sq = search.sq();
            best_alp = search.alp();
            ip[slot[0]] = a;
            ip[slot[1]] = b;
            ip[slot[2]] = search.ix();
            ip[slot[3]] = search.iy();
        }
    };
    for (int t = 3; t < 5; ++t) {
        pass(2, t, 0, 1, {2, 3, 0, 1});
        pass(t, 0, 1, 2, {3, 0, 1, 2});
    }

    Pulse pulses[4];
    Word16 signs = 0;
    for (int k = 0; k < 4; ++k) {
        pulses[k] = {static_cast<Word16>(ip[k]), sign[ip[k]] > 0};
        if (pulses[k].positive) signs = static_cast<Word16>(signs | (1 << k));
    }
    build_code_vector(pulses, 4, kUnitPulse, h, code, y);
    if (t0 < kSubframe) sharpen_with_pitch(code, t0, sharpening);

    const int track3 = (ip[3] / kStep) * 2 + (ip[3] % kStep - 3);  // 3 bits + track bit
    const Word16 positions = static_cast<Word16>(ip[0] / kStep + ((ip[1] / kStep) << 3) +
                                                 ((ip[2] / kStep) << 6) + (track3 << 9));
    return {positions, signs};
}

}  // namespace vox::g729
