// Decoding five minutes of DVF at each rate, and the 8 kbit/s frames of the
// same mode-1 stream with bcg729's decoder. "x_real_time" is seconds of
// speech decoded per second; "cpu_us_per_frame" is the thread's CPU time per
// 10 ms frame (so a busy machine does not skew it), and "vs_bcg729" that
// time as a ratio to bcg729's (target at 8 kbit/s: at most 1.0). Every
// iteration times one pass of ours and one of bcg729's, one after the other,
// so that both meet the same state of the machine (its speed drifts over
// seconds); each takes its fastest pass.
#include <benchmark/benchmark.h>
extern "C" {  // the library is C and its header does not say so
#include <bcg729/decoder.h>
}

#include <ctime>
#include <map>
#include <utility>
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

// CPU seconds per frame of the fastest pass so far.
void keep_fastest(double& fastest, double seconds, long samples) {
    const double per_frame = seconds / (static_cast<double>(samples) / kFrameSamples);
    if (fastest == 0 || per_frame < fastest) fastest = per_frame;
}

// One pass of bcg729 over the mode-1 stream's frames, as G.729 frames (the
// slot, unscrambled, holds the parameters in the standard's order and
// widths): CPU seconds and samples decoded.
std::pair<double, long> bcg729_pass() {
    static const std::vector<std::uint8_t> frames = [] {
        const vox::g729::DvfModeLayout& layout = vox::g729::kDvfLayouts[1];
        std::vector<std::uint8_t> all;
        for (const auto& block : five_minutes_of(1)) {
            for (int at = layout.header_bytes; at < vox::g729::kDvfBlockBytes; ++at)
                all.push_back(block[static_cast<std::size_t>(at)] ^ vox::g729::kScrambleMask);
        }
        return all;
    }();
    std::int16_t samples[kFrameSamples];
    long decoded = 0;
    bcg729DecoderChannelContextStruct* channel = initBcg729DecoderChannel();
    const double start = thread_cpu_seconds();
    for (std::size_t at = 0; at + 10 <= frames.size(); at += 10) {
        bcg729Decoder(channel, frames.data() + at, 10, 0, 0, 0, samples);
        benchmark::DoNotOptimize(samples);
        decoded += kFrameSamples;
    }
    const double seconds = thread_cpu_seconds() - start;
    closeBcg729DecoderChannel(channel);
    return {seconds, decoded};
}

std::pair<double, long> our_pass(int mode) {
    const Stream& stream = five_minutes_of(mode);
    std::vector<vox::g729::Word16> samples(vox::g729::kMaxSamplesPerBlock);
    vox::g729::Decoder decoder;
    long decoded = 0;
    const double start = thread_cpu_seconds();
    for (const auto& block : stream) decoded += decoder.decode_block(block.data(), samples.data());
    const double seconds = thread_cpu_seconds() - start;
    benchmark::DoNotOptimize(samples.data());
    return {seconds, decoded};
}

void DecodeFiveMinutes(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    double ours = 0;
    double bcg729 = 0;
    for (auto _ : state) {
        const auto [seconds, samples] = our_pass(mode);
        keep_fastest(ours, seconds, samples);
        const auto [reference_seconds, reference_samples] = bcg729_pass();
        keep_fastest(bcg729, reference_seconds, reference_samples);
    }
    state.counters["x_real_time"] = static_cast<double>(kFrameSamples) / 8000.0 / ours;
    state.counters["cpu_us_per_frame"] = ours * 1e6;
    state.counters["bcg729_us_per_frame"] = bcg729 * 1e6;
    state.counters["vs_bcg729"] = ours / bcg729;
    state.SetLabel(mode == 0 ? "6.4 kbit/s" : mode == 1 ? "8 kbit/s" : "11.8 kbit/s");
}
BENCHMARK(DecodeFiveMinutes)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
