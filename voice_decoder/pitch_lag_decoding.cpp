#include "voice_decoder/pitch_lag_decoding.h"

namespace vox::g729 {
namespace {

constexpr Word16 kOneThird = 10923;  // 1/3 in Q15

// (index + 2) / 3 by the fixed-point product the coder's tables assume.
Word16 third_rounded_up(Word16 index) {
    return mult(add(index, 2), kOneThird);
}

// Start of the second subframe's search range (G.729 eq. 40): the first
// subframe's integer delay - 5, kept inside 20..143 with a width of 9.
Word16 second_range_start(Word16 first_integer) {
    Word16 start = sub(first_integer, 5);
    if (start < kPitchMin) start = kPitchMin;
    if (add(start, 9) > kPitchMax) start = kPitchMax - 9;
    return start;
}

// 4-bit code (Annex D): indices 0..3 are the integer delays start..start+3,
// 4..11 the delays start+3+1/3 .. start+6-1/3 in thirds, 12..15 the integer
// delays start+6..start+9.
PitchLag decode_four_bit_lag(Word16 index, Word16 start) {
    index = static_cast<Word16>(index & 15);
    if (index <= 3) return {add(start, index), 0};
    if (index >= 12) return {add(start, sub(index, 6)), 0};
    const Word16 thirds = sub(index, 4);  // 0..7 from start + 3 + 1/3
    const Word16 whole = static_cast<Word16>((thirds + 1) / 3);
    const Word16 fraction = static_cast<Word16>((thirds + 1) % 3);  // 0, 1 or 2 thirds above
    if (fraction == 2) return {add(start, static_cast<Word16>(whole + 4)), -1};
    return {add(start, static_cast<Word16>(whole + 3)), fraction};
}

}  // namespace

PitchLag decode_first_lag(Word16 index) {
    // Indices below 197 carry thirds of a sample for delays 19 1/3 .. 85.
    if (index < 197) {
        const Word16 integer = add(third_rounded_up(index), 19);
        return {integer, add(sub(index, static_cast<Word16>(3 * integer)), 58)};
    }
    return {sub(index, 112), 0};
}

PitchLag decode_second_lag(Word16 index, Word16 first_integer, Rate rate) {
    const Word16 start = second_range_start(first_integer);
    if (rate == Rate::k6400) return decode_four_bit_lag(index, start);
    const Word16 offset = sub(third_rounded_up(index), 1);
    return {add(offset, start), sub(sub(index, 2), static_cast<Word16>(3 * offset))};
}

bool pitch_parity_error(Word16 p1, Word16 p0, Rate rate) {
    if (rate == Rate::k6400) return false;
    int sum = 1 + p0;
    for (int bit = 2; bit <= 7; ++bit) sum += (p1 >> bit) & 1;
    if (rate == Rate::k11800) sum += (p1 >> 1) & 1;
    return (sum & 1) != 0;
}

}  // namespace vox::g729
