// Decoding five minutes of DVF at each rate, and the 8 kbit/s frames of the
// same mode-1 stream with bcg729's decoder. "x_real_time" is seconds of
// speech decoded per second; "cpu_us_per_frame" is the thread's CPU time per
// 10 ms frame (so a busy machine does not skew it), and "vs_bcg729" that
// time as a ratio to bcg729's (target at 8 kbit/s: at most 1.0).
#include <benchmark/benchmark.h>
extern "C" {  // the library is C and its header does not say so
#include <bcg729/decoder.h>
}

#include <ctime>
#include <map>
#include <vector>

#include "bench/voice_decoder/synthetic_speech.h"
#include "voice_decoder/decoder.h"
#include "voice_encoder/dvf_layout.h"
#include "voice_encoder/voice_encoder.h"

namespace {

constexpr int kSeconds = 300;
constexpr int kSamplesPerBlock[3] = {5120, 4080, 2240};
constexpr int kFrameSamples = 80;

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

double thread_cpu_seconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

double bcg729_per_frame = 0;  // CPU seconds, from the bcg729 run

void report(benchmark::State& state, double seconds, long samples, bool reference) {
    const double frames = static_cast<double>(samples) / kFrameSamples;
    const double per_frame = frames > 0 ? seconds / frames : 0;
    state.counters["x_real_time"] =
        seconds > 0 ? static_cast<double>(samples) / 8000.0 / seconds : 0;
    state.counters["cpu_us_per_frame"] = per_frame * 1e6;
    if (reference) bcg729_per_frame = per_frame;
    if (!reference && bcg729_per_frame > 0)
        state.counters["vs_bcg729"] = per_frame / bcg729_per_frame;
}

// The mode-1 stream's frames as G.729 frames: the slot, unscrambled, holds
// the parameters in the standard's order and widths.
void Bcg729DecodeFiveMinutes(benchmark::State& state) {
    const Stream& stream = five_minutes_of(1);
    const vox::g729::DvfModeLayout& layout = vox::g729::kDvfLayouts[1];
    std::vector<std::uint8_t> frames;
    for (const auto& block : stream) {
        for (int at = layout.header_bytes; at < vox::g729::kDvfBlockBytes; ++at)
            frames.push_back(block[static_cast<std::size_t>(at)] ^ vox::g729::kScrambleMask);
    }
    std::int16_t samples[kFrameSamples];
    double seconds = 0;
    long decoded = 0;
    for (auto _ : state) {
        bcg729DecoderChannelContextStruct* channel = initBcg729DecoderChannel();
        const double start = thread_cpu_seconds();
        for (std::size_t at = 0; at + 10 <= frames.size(); at += 10) {
            bcg729Decoder(channel, frames.data() + at, 10, 0, 0, 0, samples);
            benchmark::DoNotOptimize(samples);
            decoded += kFrameSamples;
        }
        seconds += thread_cpu_seconds() - start;
        closeBcg729DecoderChannel(channel);
    }
    report(state, seconds, decoded, true);
}
BENCHMARK(Bcg729DecodeFiveMinutes)->Unit(benchmark::kMillisecond)->Iterations(3);

void DecodeFiveMinutes(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    const Stream& stream = five_minutes_of(mode);
    std::vector<vox::g729::Word16> samples(vox::g729::kMaxSamplesPerBlock);
    double seconds = 0;
    long decoded = 0;
    for (auto _ : state) {
        vox::g729::Decoder decoder;
        const double start = thread_cpu_seconds();
        for (const auto& block : stream)
            decoded += decoder.decode_block(block.data(), samples.data());
        seconds += thread_cpu_seconds() - start;
        benchmark::DoNotOptimize(samples.data());
    }
    report(state, seconds, decoded, false);
    state.SetLabel(mode == 0 ? "6.4 kbit/s" : mode == 1 ? "8 kbit/s" : "11.8 kbit/s");
}
BENCHMARK(DecodeFiveMinutes)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
