#include "voice_encoder/codebook_11bit.h"

#include "voice_encoder/codebook_common.h"
#include "voice_encoder/pulse_correlation_matrix.h"
#include "voice_encoder/tables.h"
#include "voice_encoder/vector_path.h"

namespace vox::g729 {

namespace {

constexpr int kTracks = 5;

// The response of a pulse at each position correlated with itself (energy)
// and with that of a pulse at any other position (cross, with the two
// pulses' signs folded in, also where both sit at one position).
struct PairCorrelations {
    Word16 energy[kSubframe];
    Word16 cross[kSubframe][kSubframe];
};

void correlate_pairs(const Word16 h[kSubframe], const Word16 sign[kSubframe],
                     PairCorrelations& corr) {
#if defined(__x86_64__)
    Word16 hs[kSubframe];
    if (active_vector_path() != VectorPath::portable && scale_for_correlations(h, hs)) {
        signed_correlation_matrix_sse2(hs, sign, PulseSigns::two_pulse, corr.cross, corr.energy);
        return;
    }
#endif
    PartialCorrelations partial;
    partial_correlations(h, partial);
    for (int b = 0; b < kSubframe; ++b) {
        corr.energy[b] = partial(0, kSubframe - 1 - b);
        for (int a = 0; a <= b; ++a) {
            const Word16 r = partial(b - a, kSubframe - 1 - b);
            corr.cross[a][b] = mult(r, mult(sign[a], sign[b]));
            corr.cross[b][a] = corr.cross[a][b];
        }
    }
}

// The searched track pairs in the order of the reference search, which
// decides between equally good pairs: the first pulse comes from tracks 1
// and 3, the second from tracks 0, 2, 4 and 1.
struct TrackPair {
    int outer;
    int inner;
    bool outer_is_first;  // the outer track's pulse is the first pulse
};
constexpr TrackPair kSearchOrder[] = {
    {0, 1, false}, {1, 1, true},  {0, 3, false}, {3, 4, true},
    {1, 2, true},  {1, 3, false}, {1, 4, true},  {2, 3, false},
};

int index_in(const Word16* table, int size, int position) {
    int i = 0;
    while (i < size && table[i] != position) ++i;
    return i;
}

}  // namespace

CodebookIndex11 search_codebook_11bit(const Word16 x[kSubframe], Word16 h[kSubframe], Word16 t0,
                                      Word16 sharpening, Word16 code[kSubframe],
                                      Word16 y[kSubframe]) {
    Word16 dn[kSubframe];
    Word16 sign[kSubframe];
    prepare_search(x, h, t0, sharpening, kMax16, kMin16, dn, sign);
    PairCorrelations corr;
    correlate_pairs(h, sign, corr);

    // sq / alp over the pairs of the two tracks
    Word16 best_sq = 0;
    Word16 best_alp = kMax16;
    int first = 1;
    int second = 0;
    for (const TrackPair& pair : kSearchOrder) {
        for (int i0 = pair.outer; i0 < kSubframe; i0 += kTracks) {
            for (int i1 = pair.inner; i1 < kSubframe; i1 += kTracks) {
                const Word16 ps = add(dn[i0], dn[i1]);
                Word32 alp = l_mult(corr.energy[i0], 1);
                alp = l_mac(alp, corr.energy[i1], 1);
                alp = l_mac(alp, corr.cross[i0][i1], 2);
                const Word16 alp16 = extract_l(l_shr(alp, 5));
                const Word16 sq = mult(ps, ps);
                if (improves_criterion(sq, alp16, best_sq, best_alp)) {
                    best_sq = sq;
                    best_alp = alp16;
                    first = pair.outer_is_first ? i0 : i1;
                    second = pair.outer_is_first ? i1 : i0;
                }
            }
        }
    }

    const Pulse pulses[2] = {{static_cast<Word16>(first), sign[first] > 0},
                             {static_cast<Word16>(second), sign[second] > 0}};
    build_code_vector(pulses, 2, kUnitPulse, h, code, y);
    if (t0 < kSubframe) sharpen_with_pitch(code, t0, sharpening);
    const int k0 = index_in(track_table0, 16, first);
    const int k1 = index_in(track_table1, 32, second);
    return {static_cast<Word16>((gray_encode[k1] << 4) | gray_encode[k0]),
            static_cast<Word16>((pulses[0].positive ? 1 : 0) | (pulses[1].positive ? 2 : 0))};
}

}  // namespace vox::g729
