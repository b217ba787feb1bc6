// Decoding five minutes of DVF at each rate; "x_real_time" is seconds of
// speech decoded per second.
#include <benchmark/benchmark.h>

#include <map>
#include <vector>

#include "bench/voice_decoder/synthetic_speech.h"
#include "voice_decoder/decoder.h"
#include "voice_encoder/voice_encoder.h"

namespace {

constexpr int kSeconds = 300;
constexpr int kSamplesPerBlock[3] = {5120, 4080, 2240};

using Stream = std::vector<std::vector<std::uint8_t>>;

const Stream& five_minutes_of(int mode) {
    static std::map<int, Stream> streams;
    Stream& stream = streams[mode];
    if (!stream.empty()) return stream;
    vox::bench::SyntheticSpeech speech;
    Ravelle_initEncoder();
    for (long done = 0; done < kSeconds * 8000L; done += kSamplesPerBlock[mode]) {
        std::int16_t samples[5120] = {};
        for (int i = 0; i < kSamplesPerBlock[mode]; ++i) samples[i] = speech.next();
        std::vector<std::uint8_t> block(512);
        Ravelle_VoiceEncoder(samples, block.data(), mode);
        stream.push_back(std::move(block));
    }
    return stream;
}

void DecodeFiveMinutes(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    const Stream& stream = five_minutes_of(mode);
    std::vector<vox::g729::Word16> samples(vox::g729::kMaxSamplesPerBlock);
    long decoded = 0;
    for (auto _ : state) {
        vox::g729::Decoder decoder;
        for (const auto& block : stream)
            decoded += decoder.decode_block(block.data(), samples.data());
        benchmark::DoNotOptimize(samples.data());
    }
    state.counters["x_real_time"] =
        benchmark::Counter(static_cast<double>(decoded) / 8000.0, benchmark::Counter::kIsRate);
    state.SetLabel(mode == 0 ? "6.4 kbit/s" : mode == 1 ? "8 kbit/s" : "11.8 kbit/s");
}
BENCHMARK(DecodeFiveMinutes)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
