#include "voice_encoder/tests/test_signals.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include "voice_encoder/encoder.h"

namespace vox::g729::testing {

std::vector<int> widths_of(CodingRate rate) {
    switch (rate) {
        case CodingRate::k6400:
            return {8, 10, 8, 9, 2, 6, 4, 9, 2, 6};
        case CodingRate::k8000:
            return {8, 10, 8, 1, 13, 4, 7, 5, 13, 4, 7};
        case CodingRate::k11800:
            break;
    }
    return {8, 10, 8, 1, 7, 7, 7, 7, 7, 7, 5, 7, 7, 7, 7, 7, 7};
}

std::vector<std::int16_t> speech_like(std::size_t samples, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 300.0);
    std::vector<std::int16_t> out(samples);
    double phase = 0;
    for (std::size_t n = 0; n < samples; ++n) {
        const double f0 = 140.0 + 30.0 * std::sin(2 * std::numbers::pi * n / 4000.0);
        phase += 2 * std::numbers::pi * f0 / 8000.0;
        const double envelope = 0.5 + 0.5 * std::sin(2 * std::numbers::pi * n / 2400.0);
        const double v =
            envelope * (6000 * std::sin(phase) + 2500 * std::sin(3 * phase)) + noise(random);
        out[n] = static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
    }
    return out;
}

std::vector<std::int16_t> square_wave(std::size_t samples, int period) {
    std::vector<std::int16_t> out(samples);
    for (std::size_t n = 0; n < samples; ++n) {
        out[n] = (n % period) < static_cast<std::size_t>(period / 2) ? std::int16_t{32767}
                                                                     : std::int16_t{-32768};
    }
    return out;
}

std::vector<std::int16_t> white_noise(std::size_t samples, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(-32768, 32767);
    std::vector<std::int16_t> out(samples);
    for (auto& s : out) s = static_cast<std::int16_t>(value(random));
    return out;
}

std::vector<int> unpack_slot(const std::uint8_t* slot, int slot_bytes,
                             const std::vector<int>& widths) {
    std::vector<bool> bits;
    for (int i = 0; i < slot_bytes; ++i) {
        const std::uint8_t v = slot[i] ^ kScrambleMask;
        for (int b = 7; b >= 0; --b) bits.push_back(((v >> b) & 1) != 0);
    }
    std::vector<int> fields;
    std::size_t at = 0;
    for (const int w : widths) {
        int v = 0;
        for (int b = 0; b < w; ++b) v = (v << 1) | (bits.at(at++) ? 1 : 0);
        fields.push_back(v);
    }
    return fields;
}

std::vector<std::vector<int>> code_frames(FrameCoder& coder, const std::int16_t* pcm, int frames,
                                          CodingRate rate) {
    std::vector<std::vector<int>> out;
    for (int f = 0; f < frames; ++f) {
        coder.load_frame(pcm + f * kFrame);
        const FrameFields p = coder.code_frame(rate);
        out.emplace_back(p.value, p.value + p.count);
    }
    return out;
}

}  // namespace vox::g729::testing
