// Encodes five minutes of speech (the conformance vector speech.in, repeated)
// at each rate, and the same samples with bcg729's Annex A encoder. Prints
// times real time on one core and cycles per 10 ms frame, both from the
// thread's CPU time (so a busy machine does not skew them; cycles at the
// nominal clock the benchmark library reports), and heap allocations per call
// inside the timed loop (expected: 0).

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

struct Measure {
    std::uint64_t allocs = 0;
    std::uint64_t calls = 0;
    double seconds = 0;
    std::uint64_t frames = 0;

    void report(benchmark::State& state) const {
        state.counters["x_realtime"] =
            seconds > 0 ? kSeconds * static_cast<double>(state.iterations()) / seconds : 0;
        const double hz = benchmark::CPUInfo::Get().cycles_per_second;
        state.counters["cycles_per_frame"] =
            frames ? seconds * hz / static_cast<double>(frames) : 0;
        state.counters["allocs_per_call"] = calls ? static_cast<double>(allocs) / calls : 0;
    }
};

template <typename Body>
void timed(Measure& m, Body&& body) {
    const std::uint64_t allocsBefore = allocations.load();
    const double start = threadCpuSeconds();
    body();
    m.seconds += threadCpuSeconds() - start;
    m.allocs += allocations.load() - allocsBefore;
}

void encodeAtRate(benchmark::State& state) {
    const auto& speech = fiveMinutesOfSpeech();
    if (speech.empty()) {
        state.SkipWithError("speech.in not found beside VOX_G729_VECTORS");
        return;
    }
    const int mode = static_cast<int>(state.range(0));
    const auto perBlock = static_cast<std::size_t>(vox::g729::Encoder::samples_per_block(mode));
    std::vector<std::uint8_t> block(vox::g729::kDvfBlockBytes);
    Measure m;
    for (auto _ : state) {
        auto encoder = std::make_unique<vox::g729::Encoder>();
        encoder->start_stream();
        timed(m, [&] {
            for (std::size_t at = 0; at + perBlock <= speech.size(); at += perBlock) {
                encoder->encode_block(speech.data() + at, block.data(), mode);
                benchmark::DoNotOptimize(block.data());
                ++m.calls;
            }
        });
        m.frames += speech.size() / perBlock * perBlock / kFrameSamples;
    }
    m.report(state);
}

void bcg729AnnexA(benchmark::State& state) {
    const auto& speech = fiveMinutesOfSpeech();
    if (speech.empty()) {
        state.SkipWithError("speech.in not found beside VOX_G729_VECTORS");
        return;
    }
    std::uint8_t bits[10];
    std::uint8_t length = 0;
    Measure m;
    for (auto _ : state) {
        bcg729EncoderChannelContextStruct* channel = initBcg729EncoderChannel(0);
        timed(m, [&] {
            for (std::size_t at = 0; at + kFrameSamples <= speech.size(); at += kFrameSamples) {
                bcg729Encoder(channel, speech.data() + at, bits, &length);
                benchmark::DoNotOptimize(bits);
                ++m.calls;
            }
        });
        closeBcg729EncoderChannel(channel);
        m.frames += speech.size() / kFrameSamples;
    }
    m.report(state);
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
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(bcg729AnnexA)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
