// WAV -> DVF and DVF -> WAV of a one-hour file through the conversion
// workers, as the program runs them (1 ms pause after each encoded block),
// and batches of one and of ten one-hour files on two threads as voxctl runs
// them: wall-clock seconds and the peak resident memory during the
// conversion. The ten-file batch also prints its time over the single file's
// ("vs_single", at least files / threads) and the time each file took in the
// batch over the single file's ("per_file_vs_single", 1.0 for a perfect
// spread over the threads).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/voice_decoder/synthetic_speech.h"
#include "engine/conversion/conversion_batch.h"
#include "engine/conversion/conversion_job.h"
#include "engine/conversion/convert_notify.h"
#include "engine/conversion/wav_writer.h"
#include "platform/messages/queue_target.h"

namespace {

namespace fs = std::filesystem;
using namespace vox::conversion;

constexpr long kSeconds = 3600;

fs::path scratch() {
    static const fs::path folder =
        fs::temp_directory_path() / ("vox_conversion_bench_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    return folder;
}

// Writes the hour of speech in pieces, never all of it in memory.
std::string one_hour_wave() {
    const std::string path = (scratch() / "hour.wav").string();
    if (fs::exists(path)) return path;
    WavWriter writer;
    writer.open(path);
    vox::bench::SyntheticSpeech speech;
    std::int16_t piece[8000];
    for (long second = 0; second < kSeconds; ++second) {
        for (auto& sample : piece) sample = speech.next();
        writer.append(piece, 8000);
    }
    writer.close();
    return path;
}

// Peak resident set since the last reset, in MiB (Linux).
void reset_peak_memory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}
double peak_memory_mib() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            double kib = 0;
            status >> kib;
            return kib / 1024;
        }
        status.ignore(1 << 12, '\n');
    }
    return 0;
}

void run_worker(bool encode, const std::string& source, const std::string& destination) {
    bool finished = false;
    vox::messages::QueueTarget target(
        [&](vox::messages::Message, vox::messages::WParam code, vox::messages::LParam) {
            if (code == CONVERT_FINISHED) finished = true;
            return vox::messages::LResult{0};
        });
    ConversionJob job;
    job.sourcePath = source;
    job.destinationPath = destination;
    job.quality = 1;
    job.notify = &target;
    job.codec = recorderVoiceCodec();
    auto worker = encode ? startEncodeWorker(std::move(job)) : startDecodeWorker(std::move(job));
    target.pumpUntil([&] { return finished; });
    worker->join();
}

void Convert(benchmark::State& state, bool encode) {
    const std::string wave = one_hour_wave();
    const std::string dvf = (scratch() / "hour_SP.DVF").string();
    if (!encode && !fs::exists(dvf)) run_worker(true, wave, dvf);
    for (auto _ : state) {
        reset_peak_memory();
        const auto start = std::chrono::steady_clock::now();
        if (encode)
            run_worker(true, wave, dvf);
        else
            run_worker(false, dvf, (scratch() / "hour_SP.WAV").string());
        state.counters["seconds"] =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.counters["peak_MiB"] = peak_memory_mib();
    }
    state.counters["input_MiB"] =
        static_cast<double>(fs::file_size(encode ? wave : dvf)) / (1 << 20);
}

void WavToDvfOneHour(benchmark::State& state) {
    Convert(state, true);
}
void DvfToWavOneHour(benchmark::State& state) {
    Convert(state, false);
}
BENCHMARK(WavToDvfOneHour)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(DvfToWavOneHour)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// `files` encodes of the hour (each its own stream and output) over at
// most `threads` threads.
// Wall-clock seconds of the one-file batch, for the larger batch's ratios.
double single_file_seconds = 0;

void BatchOfHours(benchmark::State& state) {
    const auto files = static_cast<int>(state.range(0));
    const auto threads = static_cast<unsigned>(state.range(1));
    const std::string wave = one_hour_wave();
    std::vector<BatchJob> jobs;
    for (int i = 0; i < files; ++i)
        jobs.push_back({wave, (scratch() / ("batch" + std::to_string(i) + "_SP.DVF")).string()});
    for (auto _ : state) {
        reset_peak_memory();
        const auto start = std::chrono::steady_clock::now();
        const auto results =
            runConversionBatch(jobs, {.codec = recorderVoiceCodec(), .threads = threads});
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.counters["seconds"] = seconds;
        if (files == 1 && threads == 1) {
            single_file_seconds = seconds;
        } else if (single_file_seconds > 0) {
            state.counters["vs_single"] = seconds / single_file_seconds;
            state.counters["per_file_vs_single"] = seconds * threads / files / single_file_seconds;
        }
        state.counters["peak_MiB"] = peak_memory_mib();
        for (const BatchResult& result : results)
            if (!result.converted) state.SkipWithError("a file of the batch was not converted");
    }
    for (const BatchJob& job : jobs) fs::remove(job.destinationPath);
}
BENCHMARK(BatchOfHours)
    ->ArgNames({"files", "threads"})
    ->Args({1, 1})
    ->Args({10, 2})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(scratch());
}
