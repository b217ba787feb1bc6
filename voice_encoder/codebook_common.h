#pragma once
// Pieces shared by the three fixed-codebook searches: pitch sharpening of the
// impulse response and the code vector (G.729 3.8, eq. 48), the sign choice
// from the target correlation, and the code vector with its filtered version.

#include <cstdint>

#include "voice_encoder/target_correlation.h"

namespace vox::g729 {

// Pulse amplitudes of the code vector (Q13): unit pulses of the two- and
// four-pulse codebooks (+8191 / -8192, the shift of the sign by two bits), and
// half-amplitude pulses of the ten-pulse codebook (+-4096).
struct PulseShape {
    Word16 positive;
    Word16 negative;
    Word16 response_shift;  // the filtered pulse is h >> response_shift
};
inline constexpr PulseShape kUnitPulse{8191, -8192, 0};
inline constexpr PulseShape kHalfPulse{4096, -4096, 1};

// v[n] += sharpening * v[n - t0] for n >= t0, when t0 < 40; sharpening in Q14.
void sharpen_with_pitch(Word16 v[kSubframe], Word16 t0, Word16 sharpening_q14);

// Correlations of the impulse response, scaled for precision (halved when
// its energy is near 1.0, else shifted up), at every lag and length:
// partial(lag, n) is the upper half of sum h[k] h[k + lag] for k = 0..n.
// A pulse pair at positions a < b sees partial(b - a, 39 - b).
struct PartialCorrelations {
    Word16 operator()(int lag, int n) const { return by_length[n][lag]; }
    // Stored by n, so that the sums of all lags advance together.
    Word16 by_length[kSubframe][kSubframe];
};
void partial_correlations(const Word16 h[kSubframe], PartialCorrelations& partial);

// The scaling alone: hs is h so scaled; true when no sum of products of hs
// (each doubled, as l_mac doubles them) can leave 32 bits, so that plain
// integer sums give the saturating ones.
bool scale_for_correlations(const Word16 h[kSubframe], Word16 hs[kSubframe]);

// Start of every search: sharpens h by the pitch, correlates the target with
// it (d), and fixes each position's sign by that of d, leaving |d|. The signs
// are `positive` or `negative` as the search's correlation matrix wants them.
void prepare_search(const Word16 x[kSubframe], Word16 h[kSubframe], Word16 t0, Word16 sharpening,
                    Word16 positive, Word16 negative, Word16 d[kSubframe], Word16 sign[kSubframe]);

// The search criterion sq / alp (squared correlation over energy) of a
// candidate beats the best so far: alp_best * sq > sq_best * alp.
// The saturating form l_msu(l_mult(alp_best, sq), sq_best, alp) > 0 has the
// sign of the exact difference in every case, saturation included.
inline bool improves_criterion(Word16 sq, Word16 alp, Word16 sq_best, Word16 alp_best) {
    return std::int64_t{alp_best} * sq > std::int64_t{sq_best} * alp;
}

struct Pulse {
    Word16 position;  // 0..39
    bool positive;
};

// Code vector (Q13) and its filtered version y (Q12) for the pulses.
void build_code_vector(const Pulse* pulses, int count, PulseShape shape, const Word16 h[kSubframe],
                       Word16 code[kSubframe], Word16 y[kSubframe]);

}  // namespace vox::g729
