// A batch of 99 files of 100 KB (a folder holds no more) sent to the
// recorder and fetched back through the program: the Download and Upload
// requests to the main window, the transfer loop in the recorder form, the
// real device library and a recorder model with USB full-speed timing.
// Reports total time / (modelled bus time + the 30 ms pause the loop keeps
// after each file), and the host time beyond both per file.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "application/core/main_frame.h"
#include "application/core/message_boxes.h"
#include "application/core/pelmarch_doc.h"
#include "application/panes/dir_panes.h"
#include "application/panes/dropped_files.h"
#include "application/panes/flash_list.h"
#include "application/panes/flash_tree.h"
#include "platform/devio/direct_provider.h"
#include "platform/messages/message_numbers.h"
#include "recorder_model/recorder.h"

namespace {

using namespace std::chrono_literals;

constexpr int kFiles = 99;
constexpr std::size_t kFileBytes = 100 * 1024;
constexpr int kHdFolder = 4;
constexpr auto kPauseAfterFile = 30ms;

// Any box would stop the batch: it is counted and answered at once.
struct CountedBoxes final : vox::app::MessageBoxes {
    vox::app::BoxAnswer show(const QString&, vox::app::BoxButtons, vox::app::BoxIcon) override {
        ++shown;
        return vox::app::BoxAnswer::Ok;
    }
    int shown = 0;
};

bool waitIdle(const vox::app::CPelmarchDoc& doc) {
    const auto deadline = std::chrono::steady_clock::now() + 10min;
    while (doc.deviceWorkerRunning() || doc.work.busy()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        // Sleeps until the next notice: a busy wait here would take a core
        // from the workers and the recorder model.
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void BM_BatchOf99DownAndUpFullSpeed(benchmark::State& state) {
    QTemporaryDir pc;
    const std::string folder = QFile::encodeName(pc.path()).toStdString() + "/";
    vox::panes::DroppedFiles files;
    for (int i = 0; i < kFiles; ++i) {
        files.paths.push_back(folder + "take" + std::to_string(i) + ".bin");
        std::ofstream(files.paths.back(), std::ios::binary) << std::string(kFileBytes, char(i));
    }
    std::filesystem::create_directories(folder + "back");
    CountedBoxes boxes;
    vox::app::installMessageBoxes(&boxes);

    double wall = 0, bus = 0, pauses = 0, downWall = 0, downBus = 0;
    for (auto _ : state) {
        vox::model::RecorderOptions options;
        options.fullSpeedTiming = true;
        auto recorder = std::make_shared<vox::model::Recorder>(options);
        auto provider = std::make_shared<vox::devio::DirectProvider>();
        provider->attach(recorder);
        vox::devio::installProvider(provider);
        {
            vox::app::CPelmarchDoc doc;
            vox::app::CMainFrame frame(doc);
            frame.show();
            while (doc.currentFolder != 3)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            doc.flashTree->showFolder(kHdFolder);
            doc.workingDirectory = folder + "back/";

            const auto busBefore = recorder->modelledBusTime();
            const auto start = std::chrono::steady_clock::now();
            frame.send(vox::messages::WM_DOWNLOAD_FILES, vox::panes::kDroppedFiles,
                       reinterpret_cast<vox::messages::LParam>(&files));
            if (!waitIdle(doc)) state.SkipWithError("the download did not end");
            // The list is listed again at the end of the batch.
            while (doc.flashList->topLevelItemCount() != kFiles)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            downWall +=
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            downBus +=
                std::chrono::duration<double>(recorder->modelledBusTime() - busBefore).count();
            doc.flashList->selectAll();
            frame.send(vox::messages::WM_UPLOAD_FILES, 0, 0);
            if (!waitIdle(doc)) state.SkipWithError("the upload did not end");
            wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            bus += std::chrono::duration<double>(recorder->modelledBusTime() - busBefore).count();
            pauses += 2 * kFiles * std::chrono::duration<double>(kPauseAfterFile).count();
            std::size_t back = 0;
            for (const auto& entry : std::filesystem::directory_iterator(folder + "back"))
                back += entry.file_size() == kFileBytes;
            if (back != kFiles) {
                std::fprintf(stderr, "%zu of %d files came back whole, %d boxes\n", back, kFiles,
                             boxes.shown);
                state.SkipWithError("not every file came back whole");
            }
        }
        vox::devio::installProvider(nullptr);
    }
    vox::app::installMessageBoxes(nullptr);
    if (boxes.shown != 0) state.SkipWithError("a box was shown");
    const double runs = static_cast<double>(state.iterations());
    state.counters["total_s"] = wall / runs;
    state.counters["bus_s"] = bus / runs;
    state.counters["pauses_s"] = pauses / runs;
    state.counters["total_over_bus_and_pauses"] = wall / (bus + pauses);
    const double downPauses = pauses / 2;
    state.counters["down_over_bus_and_pauses"] = downWall / (downBus + downPauses);
    state.counters["up_over_bus_and_pauses"] =
        (wall - downWall) / (bus - downBus + pauses - downPauses);
    state.counters["host_ms_per_file"] = (wall - bus - pauses) / runs / (2 * kFiles) * 1000;
}

BENCHMARK(BM_BatchOf99DownAndUpFullSpeed)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
