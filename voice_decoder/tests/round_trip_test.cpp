#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "voice_decoder/decoder.h"
#include "voice_decoder/tests/itu_frames.h"
#include "voice_encoder/tests/test_data.h"
#include "voice_encoder/voice_encoder.h"

using namespace vox::g729;
using namespace vox::g729::testing;

namespace {

struct Quality {
    double snr_db;
    double segmental_snr_db;
};

struct RateCase {
    int mode;
    int samples_per_block;
    double snr_floor_db;
    double segmental_floor_db;
};

// The coder looks 40 samples ahead, so decoded sample k stands for input
// sample k - 40; the first block of a mode-0 stream does not code the first
// 80 samples.
constexpr long kLookAhead = 40;

// decode(encode(x)) through the exports, block by block as the workers run
// them; `offset` is where decoded sample 0 lies in x.
std::vector<std::int16_t> round_trip(const std::vector<std::int16_t>& input, const RateCase& rate,
                                     long& offset) {
    Ravelle_initEncoder();
    Decoder decoder;
    std::vector<std::int16_t> output;
    for (std::size_t start = 0; start < input.size(); start += rate.samples_per_block) {
        std::vector<std::int16_t> samples(5120, 0);
        std::copy(input.begin() + static_cast<long>(start),
                  input.begin() +
                      static_cast<long>(std::min(input.size(), start + rate.samples_per_block)),
                  samples.begin());
        std::uint8_t block[512];
        EXPECT_EQ(Ravelle_VoiceEncoder(samples.data(), block, rate.mode), 1);
        std::vector<Word16> decoded(kMaxSamplesPerBlock);
        const int count = decoder.decode_block(block, decoded.data());
        output.insert(output.end(), decoded.begin(), decoded.begin() + count);
    }
    offset = (rate.mode == 0 ? 80 : 0) - kLookAhead;
    return output;
}

// Overall SNR, and the mean of the frames' SNRs (each within -10..40 dB)
// over the frames that carry speech.
Quality measure(const std::vector<std::int16_t>& reference, long offset,
                const std::vector<std::int16_t>& decoded) {
    double signal = 0, noise = 0, segmental = 0;
    int frames = 0;
    const long first = std::max(0L, -offset);
    const long end =
        std::min(static_cast<long>(decoded.size()), static_cast<long>(reference.size()) - offset);
    for (long frame_start = first; frame_start + 80 <= end; frame_start += 80) {
        double frame_signal = 0, frame_noise = 0;
        for (long i = frame_start; i < frame_start + 80; ++i) {
            const double x = reference[offset + i];
            const double e = x - decoded[i];
            frame_signal += x * x;
            frame_noise += e * e;
        }
        signal += frame_signal;
        noise += frame_noise;
        if (frame_signal > 80.0 * 100 * 100) {  // louder than about -50 dBFS
            segmental +=
                std::clamp(10 * std::log10(frame_signal / std::max(frame_noise, 1.0)), -10.0, 40.0);
            ++frames;
        }
    }
    return {10 * std::log10(signal / std::max(noise, 1.0)), frames > 0 ? segmental / frames : 0};
}

}  // namespace

// Each rate must reproduce speech recognisably, and more bits must buy a
// closer waveform.
TEST(VoiceRoundTrip, EveryRateReproducesSpeechAndHigherRatesDoBetter) {
    VOX_REQUIRE_TEST_DATA(std::string(VOX_G729_VECTORS) + "/speech.bit");
    const std::string folder = VOX_G729_VECTORS;
    const std::vector<std::int16_t> speech = read_pcm(folder + "/speech.in");
    ASSERT_FALSE(speech.empty());
    // Floors about 1.5 dB under what the coder reaches on this file.
    const RateCase rates[3] = {{0, 5120, 5.0, 3.5}, {1, 4080, 5.5, 4.0}, {2, 2240, 6.0, 4.5}};
    Quality measured[3];
    for (const RateCase& rate : rates) {
        long offset = 0;
        const auto decoded = round_trip(speech, rate, offset);
        measured[rate.mode] = measure(speech, offset, decoded);
        std::printf("mode %d: SNR %.2f dB, segmental SNR %.2f dB\n", rate.mode,
                    measured[rate.mode].snr_db, measured[rate.mode].segmental_snr_db);
        EXPECT_GT(measured[rate.mode].snr_db, rate.snr_floor_db) << "mode " << rate.mode;
        EXPECT_GT(measured[rate.mode].segmental_snr_db, rate.segmental_floor_db)
            << "mode " << rate.mode;
    }
    EXPECT_GT(measured[2].segmental_snr_db, measured[1].segmental_snr_db);
    EXPECT_GT(measured[1].segmental_snr_db, measured[0].segmental_snr_db);
}
