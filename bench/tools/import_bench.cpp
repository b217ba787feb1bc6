// voxctl import of 50 voice recordings of about 1 MB each from a recorder
// model with full-speed USB timing, with and without decoding each one to a
// WAV: the wall time over the modelled bus time shows how much the import
// adds to the bus's own time (the decoding runs beside the transfers).

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/conversion/conversion_job.h"
#include "platform/devio/direct_provider.h"
#include "recorder_model/recorder.h"
#include "tools/voxctl/import_run.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRecordings = 50;
// Samples that encode to a little over 1 MB of voice blocks at 8 kbit/s.
constexpr std::uint32_t kSamples = 8000u * 1045u;

void putLittle(std::ofstream& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.put(static_cast<char>(value >> (8 * i)));
}

// A speech-like WAV (a tone with a slow swell), encoded once to a voice file.
std::vector<std::uint8_t> voiceRecording(const fs::path& folder) {
    const fs::path wav = folder / "speech.wav";
    {
        std::ofstream out(wav, std::ios::binary);
        out << "RIFF";
        putLittle(out, 36 + kSamples * 2, 4);
        out << "WAVEfmt ";
        putLittle(out, 16, 4);
        putLittle(out, 1, 2);
        putLittle(out, 1, 2);
        putLittle(out, 8000, 4);
        putLittle(out, 16000, 4);
        putLittle(out, 2, 2);
        putLittle(out, 16, 2);
        out << "data";
        putLittle(out, kSamples * 2, 4);
        for (std::uint32_t i = 0; i < kSamples; ++i) {
            const double swell = 1 + 0.5 * std::sin(i * 0.0003);
            putLittle(
                out, static_cast<std::uint16_t>(std::lround(3000 * std::sin(i * 0.05) * swell)), 2);
        }
    }
    vox::conversion::ConversionJob job;
    job.sourcePath = wav.string();
    job.destinationPath = (folder / "speech.dvf").string();
    job.codec = vox::conversion::recorderVoiceCodec();
    job.yieldAfterBlock = std::chrono::milliseconds(0);
    if (vox::conversion::runEncodeJob(job) != 1) return {};
    std::ifstream in(job.destinationPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void importFiftyRecordings(benchmark::State& state, bool wav) {
    const fs::path folder = fs::temp_directory_path() / "import_bench";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::vector<std::uint8_t> recording = voiceRecording(folder);
    if (recording.empty()) return state.SkipWithError("the voice recording could not be made");
    ::setenv("XDG_STATE_HOME", (folder / "state").c_str(), 1);

    double wallSeconds = 0, busSeconds = 0;
    for (auto _ : state) {
        vox::model::RecorderOptions options;
        options.capacityBytes = 128ull << 20;
        options.fullSpeedTiming = true;
        auto recorder = std::make_shared<vox::model::Recorder>(options);
        for (int i = 1; i <= kRecordings; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "REC%05d.DVF", i);
            std::string error;
            if (!recorder->fileSystem().addFile('M', "A", name, u"", recording,
                                                vox::model::FatStamp::now(), error))
                return state.SkipWithError(error.c_str());
        }
        auto direct = std::make_shared<vox::devio::DirectProvider>();
        direct->attach(recorder);
        vox::devio::installProvider(direct);
        fs::remove_all(folder / "state");
        fs::remove_all(folder / "out");

        vox::voxctl::ImportOptions importOptions;
        importOptions.folder = (folder / "out").string();
        importOptions.namePattern = "{name}";
        importOptions.wav = wav;
        importOptions.json = true;  // no line per file on stdout
        vox::voxctl::ImportSummary summary;
        const auto busBefore = recorder->modelledBusTime();
        const auto started = std::chrono::steady_clock::now();
        vox::voxctl::importRecordings(importOptions, summary);
        wallSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        busSeconds +=
            std::chrono::duration<double>(recorder->modelledBusTime() - busBefore).count();
        vox::devio::installProvider(nullptr);

        bool whole = summary.imported.size() == kRecordings && summary.failed.empty();
        for (const auto& file : summary.imported) whole = whole && (!wav || !file.wavPath.empty());
        if (!whole) return state.SkipWithError("not every recording was imported whole");
    }
    state.counters["recording_bytes"] = static_cast<double>(recording.size());
    state.counters["wall_s"] = wallSeconds / static_cast<double>(state.iterations());
    state.counters["bus_s"] = busSeconds / static_cast<double>(state.iterations());
    state.counters["wall_over_bus"] = wallSeconds / busSeconds;
    fs::remove_all(folder);
}

void BM_ImportFiftyWithWav(benchmark::State& state) {
    importFiftyRecordings(state, true);
}
void BM_ImportFiftyCopiesOnly(benchmark::State& state) {
    importFiftyRecordings(state, false);
}

BENCHMARK(BM_ImportFiftyWithWav)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_ImportFiftyCopiesOnly)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
