// Encodes five minutes of speech (the conformance vector speech.in, repeated)
// at each rate, and the same samples with bcg729's Annex A encoder. Prints
// times real time on one core and cycles per 10 ms frame, both from the
// thread's CPU time (so a busy machine does not skew them; cycles at the
// nominal clock the benchmark library reports), heap allocations per call
// inside the timed loop (expected: 0), and each rate's time per frame as a
// ratio to bcg729's ("vs_bcg729", target at most 1.0 at 8 kbit/s) and to our
// 8 kbit/s encoder ("vs_mode1", target at most 1.2 for the other rates).
// Every iteration times one pass of each encoder a ratio compares, one after
// the other, so that both meet the same state of the machine (its speed
// drifts over seconds); each takes its fastest pass.

#include <benchmark/benchmark.h>
extern "C" {  // the library is C and its header does not say so
#include <bcg729/encoder.h>
}

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <new>
#include <vector>

#include "voice_encoder/encoder.h"

namespace {

std::atomic<std::uint64_t> allocations{0};

constexpr int kRate = 8000;
constexpr int kSeconds = 300;
constexpr int kFrameSamples = 80;

const std::vector<std::int16_t>& fiveMinutesOfSpeech() {
    static const std::vector<std::int16_t> samples = [] {
        std::ifstream in(std::string(VOX_G729_VECTORS) + "/speech.in", std::ios::binary);
        std::vector<std::int16_t> one;
        std::int16_t s;
        while (in.read(reinterpret_cast<char*>(&s), sizeof s)) one.push_back(s);
        std::vector<std::int16_t> all;
        if (one.empty()) return all;
        all.reserve(static_cast<std::size_t>(kRate) * kSeconds);
        while (all.size() < all.capacity()) all.push_back(one[all.size() % one.size()]);
        return all;
    }();
    return samples;
}

double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// One pass over the speech with our encoder at `mode`: CPU seconds, frames
// and calls, and the allocations made inside.
struct Pass {
    double seconds;
    std::uint64_t frames;
    std::uint64_t calls;
    std::uint64_t allocs;
};

Pass ourPass(int mode) {
    const auto& speech = fiveMinutesOfSpeech();
    const auto perBlock = static_cast<std::size_t>(vox::g729::Encoder::samples_per_block(mode));
    std::vector<std::uint8_t> block(vox::g729::kDvfBlockBytes);
    auto encoder = std::make_unique<vox::g729::Encoder>();
    encoder->start_stream();
    Pass pass{0, speech.size() / perBlock * perBlock / kFrameSamples, 0, 0};
    const std::uint64_t allocsBefore = allocations.load();
    const double start = threadCpuSeconds();
    for (std::size_t at = 0; at + perBlock <= speech.size(); at += perBlock) {
        encoder->encode_block(speech.data() + at, block.data(), mode);
        benchmark::DoNotOptimize(block.data());
        ++pass.calls;
    }
    pass.seconds = threadCpuSeconds() - start;
    pass.allocs = allocations.load() - allocsBefore;
    return pass;
}

Pass bcg729Pass() {
    const auto& speech = fiveMinutesOfSpeech();
    std::uint8_t bits[10];
    std::uint8_t length = 0;
    bcg729EncoderChannelContextStruct* channel = initBcg729EncoderChannel(0);
    Pass pass{0, speech.size() / kFrameSamples, 0, 0};
    const double start = threadCpuSeconds();
    for (std::size_t at = 0; at + kFrameSamples <= speech.size(); at += kFrameSamples) {
        bcg729Encoder(channel, speech.data() + at, bits, &length);
        benchmark::DoNotOptimize(bits);
    }
    pass.seconds = threadCpuSeconds() - start;
    closeBcg729EncoderChannel(channel);
    return pass;
}

// CPU seconds per frame of the fastest pass so far.
void keepFastest(double& fastest, const Pass& pass) {
    const double perFrame = pass.seconds / static_cast<double>(pass.frames);
    if (fastest == 0 || perFrame < fastest) fastest = perFrame;
}

void encodeAtRate(benchmark::State& state) {
    if (fiveMinutesOfSpeech().empty()) {
        state.SkipWithError("speech.in not found beside VOX_G729_VECTORS");
        return;
    }
    const int mode = static_cast<int>(state.range(0));
    double ours = 0;
    double bcg729 = 0;
    double mode1 = 0;
    std::uint64_t calls = 0;
    std::uint64_t allocs = 0;
    for (auto _ : state) {
        const Pass pass = ourPass(mode);
        keepFastest(ours, pass);
        calls += pass.calls;
        allocs += pass.allocs;
        keepFastest(bcg729, bcg729Pass());
        if (mode != 1) keepFastest(mode1, ourPass(1));
    }
    const double hz = benchmark::CPUInfo::Get().cycles_per_second;
    state.counters["x_realtime"] = static_cast<double>(kFrameSamples) / kRate / ours;
    state.counters["cycles_per_frame"] = ours * hz;
    state.counters["bcg729_cycles_per_frame"] = bcg729 * hz;
    state.counters["allocs_per_call"] = calls ? static_cast<double>(allocs) / calls : 0;
    state.counters["vs_bcg729"] = ours / bcg729;
    if (mode != 1) state.counters["vs_mode1"] = ours / mode1;
}

}  // namespace

// The replacements pair malloc with free; GCC cannot see that they match.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t bytes) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(bytes == 0 ? 1 : bytes)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

// Mode 0 is 6.4 kbit/s, 1 is 8 kbit/s (Annex A), 2 is 11.8 kbit/s.
BENCHMARK(encodeAtRate)
    ->ArgName("mode")
    ->Arg(1)
    ->Arg(0)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_MAIN();
