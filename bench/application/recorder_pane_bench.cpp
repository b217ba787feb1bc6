// Listing a folder of 99 long-named files into the recorder list, from the
// request to the painted rows, over the real device library and a recorder
// model: without bus timing, and with the model's USB full-speed timing.
// Reports the wall time per listing, the bus time waited (full speed only)
// and the host time beyond it (the target is under 50 ms).

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "application/core/main_frame.h"
#include "application/core/pelmarch_doc.h"
#include "application/panes/flash_list.h"
#include "platform/devio/direct_provider.h"
#include "recorder_model/recorder.h"

namespace {

constexpr int kFiles = 99;
constexpr int kMp3Folder = 3;

std::shared_ptr<vox::model::Recorder> recorderWithLongNames(bool fullSpeed) {
    vox::model::RecorderOptions options;
    options.fullSpeedTiming = fullSpeed;
    auto recorder = std::make_shared<vox::model::Recorder>(options);
    for (int i = 0; i < kFiles; ++i) {
        char shortName[16];
        std::snprintf(shortName, sizeof shortName, "TRACK~%02d.MP3", i);
        const std::string longName = "Concert recording number " + std::to_string(i) +
                                     " from the summer festival, second stage.mp3";
        std::string error;
        const bool added = recorder->fileSystem().addFile(
            'M', "MP3", shortName, std::u16string(longName.begin(), longName.end()),
            std::vector<std::uint8_t>(4096, 0x55), {}, error);
        if (!added) std::fprintf(stderr, "seeding failed: %s\n", error.c_str());
    }
    return recorder;
}

void listIntoThePane(benchmark::State& state, bool fullSpeed) {
    auto recorder = recorderWithLongNames(fullSpeed);
    auto provider = std::make_shared<vox::devio::DirectProvider>();
    provider->attach(recorder);
    vox::devio::installProvider(provider);
    {
        vox::app::CPelmarchDoc doc;
        vox::app::CMainFrame frame(doc);
        frame.show();
        vox::app::CFlashList* list = doc.flashList;
        std::chrono::nanoseconds bus{0};
        std::chrono::nanoseconds wall{0};
        for (auto _ : state) {
            const auto busBefore = recorder->modelledBusTime();
            const auto start = std::chrono::steady_clock::now();
            list->listFolder(kMp3Folder);
            list->viewport()->repaint();
            wall += std::chrono::steady_clock::now() - start;
            // Without timing the model counts the bus time but does not wait it.
            if (fullSpeed) bus += recorder->modelledBusTime() - busBefore;
        }
        if (list->topLevelItemCount() != kFiles) state.SkipWithError("the rows were not listed");
        const double runs = static_cast<double>(state.iterations());
        auto ms = [runs](std::chrono::nanoseconds total) {
            return std::chrono::duration<double, std::milli>(total).count() / runs;
        };
        state.counters["wall_ms"] = ms(wall);
        state.counters["bus_ms"] = ms(bus);
        state.counters["host_ms"] = ms(wall - bus);
    }
    vox::devio::installProvider(nullptr);
}

void BM_ListFolderNoBusTiming(benchmark::State& state) {
    listIntoThePane(state, false);
}
void BM_ListFolderFullSpeed(benchmark::State& state) {
    listIntoThePane(state, true);
}

BENCHMARK(BM_ListFolderNoBusTiming)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ListFolderFullSpeed)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
