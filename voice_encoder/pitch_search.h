#pragma once
// Closed-loop adaptive-codebook search of G.729 Annex A (A.3.7), the coding of
// the delays (3.7.2) with the parity bit (3.7.2, eq. 39), and the
// adaptive-codebook gain (3.7.3).

#include "voice_encoder/target_correlation.h"

namespace vox::g729 {

struct PitchDelay {
    Word16 integer;   // 20..143
    Word16 fraction;  // -1, 0, 1 (thirds)
};

struct DelayRange {
    Word16 min;
    Word16 max;
};

// First-subframe search range around the open-loop estimate: -3..+3, kept
// inside 20..143 at a width of 6.
DelayRange first_subframe_range(Word16 open_loop_delay);

// Searches the range for the delay whose filtered past excitation best matches
// the target xn; writes the chosen adaptive-codebook vector into exc[0..40).
// Fractions are tried except in the first subframe above delay 84.
PitchDelay search_pitch(Word16* exc, const Word16 xn[kSubframe], const Word16 h[kSubframe],
                        DelayRange range, bool first_subframe);

// 8-bit index of a first-subframe delay; also returns the second-subframe
// range (delay -5..+4 inside 20..143, width 9).
Word16 encode_first_delay(PitchDelay d, DelayRange& second_range);

// 5-bit index of a second-subframe delay (8 and 11.8 kbit/s).
Word16 encode_second_delay(PitchDelay d, DelayRange range);

// 4-bit index of a second-subframe delay (6.4 kbit/s): integer delays at the
// edges of the range, thirds in its middle.
Word16 encode_second_delay_4bit(PitchDelay d, DelayRange range);

// The delay a 4-bit index stands for: the integer delays of the range's first
// four and last four places, thirds between them.
PitchDelay decode_second_delay_4bit(Word16 index, DelayRange range);

// Parity of the six most significant bits of an 8-bit delay index.
Word16 delay_parity(Word16 index);

// Correlations of the target and the filtered adaptive vector y1, with their
// exponents, as the gain quantiser needs them.
struct PitchCorrelations {
    Word16 yy;      // <y1, y1>, normalised
    Word16 yy_exp;  // 15 - exponent
    Word16 xy;      // <xn, y1>, normalised
    Word16 xy_exp;  // 15 - exponent
};

// Adaptive-codebook gain <xn,y1>/<y1,y1> in Q14, 0 when not positive and at
// most 1.2.
Word16 pitch_gain(const Word16 xn[kSubframe], const Word16 y1[kSubframe], PitchCorrelations& c);

}  // namespace vox::g729
