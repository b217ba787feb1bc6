#pragma once
// A deterministic speech-like test signal, made in pieces of any length:
// voiced syllables (a glottal pulse train with a gliding pitch, shaped by
// two formant resonators), noisy consonants and short pauses.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

namespace vox::bench {

class SyntheticSpeech {
  public:
    std::int16_t next() {
        const double t = static_cast<double>(n_++) / 8000.0;
        const double syllable = std::fmod(t, 0.25) / 0.25;  // four syllables a second
        const int kind = static_cast<int>(t / 0.25) % 5;    // 0..2 voiced, 3 noise, 4 pause
        double excitation = 0;
        if (kind < 3) {
            const double pitch = 110 + 60 * std::sin(2 * M_PI * 0.7 * t) + 20 * kind;
            phase_ += pitch / 8000.0;
            if (phase_ >= 1) {
                phase_ -= 1;
                excitation = 1;
            }
        } else if (kind == 3) {
            excitation = 0.15 * noise_(random_);
        }
        const double envelope = std::sin(M_PI * syllable);
        const double y = resonate(first_, excitation, 500 + 200 * kind, 0.96) +
                         0.5 * resonate(second_, excitation, 1500, 0.94);
        return static_cast<std::int16_t>(std::clamp(6000 * envelope * y, -32000.0, 32000.0));
    }

  private:
    struct Resonator {
        double y1 = 0, y2 = 0;
    };
    static double resonate(Resonator& r, double x, double frequency, double radius) {
        const double y = x + 2 * radius * std::cos(2 * M_PI * frequency / 8000.0) * r.y1 -
                         radius * radius * r.y2;
        r.y2 = r.y1;
        r.y1 = y;
        return y * (1 - radius);
    }

    long n_ = 0;
    double phase_ = 0;
    Resonator first_, second_;
    std::mt19937 random_{7};
    std::normal_distribution<double> noise_{0, 1};
};

}  // namespace vox::bench
