// The player's processor time per second of audio, decode and time stretch
// together, on the sample lecture recording played to its end at 1.0x and
// 2.0x into a sink that only counts. "core_percent" is the share of one core
// that playing in real time takes (the target is under 1).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include "engine/playback/player.h"
#include "recorder_model/sample_recordings.h"

namespace {

namespace fs = std::filesystem;
using namespace vox::playback;

class CountingSink final : public PlaybackSink {
  public:
    bool start(int) override { return true; }
    std::size_t room() const override { return 4096; }
    void write(const std::int16_t*, std::size_t count) override { written += count; }
    std::size_t queued() const override { return 0; }
    void discard() override {}
    void halt() override {}

    std::size_t written = 0;
};

std::string lectureFile() {
    static const std::string path = [] {
        const fs::path file = fs::temp_directory_path() /
                              ("vox_playback_bench_" + std::to_string(::getpid()) + ".DVF");
        const auto bytes = vox::model::sampleRecording("C/LECTURE1.DVF");
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return file.string();
    }();
    return path;
}

double processorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void BM_Playback(benchmark::State& state) {
    const double speed = static_cast<double>(state.range(0)) / 10.0;
    CountingSink sink;
    Player player(sink);
    double audioSeconds = 0;
    double spent = 0;
    for (auto _ : state) {
        OpenedSource opened = openRecording(lectureFile(), vox::conversion::recorderVoiceCodec());
        if (!opened.source) {
            state.SkipWithError(opened.error.c_str());
            return;
        }
        audioSeconds += static_cast<double>(opened.source->length()) / opened.source->sampleRate();
        const double before = processorSeconds();
        player.load(std::move(opened.source), "lecture");
        player.setSpeed(speed);
        player.play();
        while (player.state() == PlayState::Playing) player.pump();
        spent += processorSeconds() - before;
    }
    state.counters["audio_seconds"] = audioSeconds;
    state.counters["cpu_ms_per_audio_second"] = 1000.0 * spent / audioSeconds;
    state.counters["core_percent"] = 100.0 * spent / audioSeconds;
}
BENCHMARK(BM_Playback)->Arg(10)->Arg(20)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
