#include "voice_decoder/fixed_codebook_decoding.h"

#include <algorithm>

#include "voice_encoder/tables.h"

namespace vox::g729 {
namespace {

constexpr Word16 kPlusOne = 8191;    // Q13
constexpr Word16 kMinusOne = -8192;  // Q13
constexpr Word16 kHalfPulse = 4096;  // the ten-pulse code's amplitude, Q13
constexpr int kTracks = 5;

Word16 pulse(int sign_bit) {
    return sign_bit != 0 ? kPlusOne : kMinusOne;
}

// C: three bits for each of tracks 0 to 2 (positions 5k + track), then the
// track-3 choice bit (positions 3 or 4) and its three position bits.
void four_pulses(Word16 index, Word16 signs, Word16 code[kSubframeLength]) {
    int positions[4];
    for (int track = 0; track < 3; ++track)
        positions[track] = 5 * ((index >> (3 * track)) & 7) + track;
    positions[3] = 5 * ((index >> 10) & 7) + 3 + ((index >> 9) & 1);
    for (int k = 0; k < 4; ++k) code[positions[k]] = pulse((signs >> k) & 1);
}

void two_pulses(Word16 index, Word16 signs, Word16 code[kSubframeLength]) {
    const int positions[2] = {track_table0[gray_decode[index & 15]],
                              track_table1[gray_decode[(index >> 4) & 31]]};
    // Both pulses may share a place; their amplitudes add then.
    for (int k = 0; k < 2; ++k)
        code[positions[k]] = add(code[positions[k]], pulse((signs >> k) & 1));
}

void ten_pulses(const Word16 words[kTracks], Word16 code[kSubframeLength]) {
    for (int track = 0; track < kTracks; ++track) {
        const Word16 word = words[track];
        const int first = 5 * (word & 7) + track;
        const int second = 5 * ((word >> 4) & 7) + track;
        const Word16 sign = (word & 8) != 0 ? Word16{-kHalfPulse} : kHalfPulse;
        code[first] = sign;
        code[second] = add(code[second], second > first ? negate(sign) : sign);
    }
}

}  // namespace

void decode_fixed_codebook(const SubframeParameters& parameters, Rate rate,
                           Word16 code[kSubframeLength]) {
    std::fill(code, code + kSubframeLength, Word16{0});
    switch (rate) {
        case Rate::k6400:
            two_pulses(parameters.code[0], parameters.sign, code);
            break;
        case Rate::k8000:
            four_pulses(parameters.code[0], parameters.sign, code);
            break;
        case Rate::k11800:
            ten_pulses(parameters.code, code);
            break;
    }
}

}  // namespace vox::g729
