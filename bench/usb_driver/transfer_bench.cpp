// A 64 MiB file sent to and fetched from the recorder model through
// QVDevSys, over the driver path (kernel provider, VXR250, simulated bus)
// and, for comparison, over the direct provider. Unthrottled the figure is
// MB/s; with the model's full-speed timing it is total time / bus time.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "device_library/qvdevsys.h"
#include "device_library/tests/notice_log.h"
#include "platform/devio/direct_provider.h"
#include "platform/kernel/debug_print.h"
#include "platform/stack/kernel_provider.h"
#include "platform/usb/simulated_bus.h"
#include "recorder_model/recorder.h"
#include "usb_driver/vxr250.h"

namespace {

using vox::devsys::testing::NoticeLog;

constexpr std::size_t kFileBytes = 64u << 20;

struct DriverPath {
    vox::vxr250::DriverLoad driver;
    vox::usb::SimulatedBus bus{driver.object()};
};

struct Rig {
    std::shared_ptr<vox::model::Recorder> recorder;
    std::shared_ptr<vox::devio::Provider> previous;
    DeviceContext* ctx = nullptr;

    Rig(bool throughDriver, bool fullSpeed) {
        vox::model::RecorderOptions options;
        options.capacityBytes = 256ull << 20;
        options.fullSpeedTiming = fullSpeed;
        recorder = std::make_shared<vox::model::Recorder>(options);
        std::shared_ptr<vox::devio::Provider> provider;
        if (throughDriver) {
            vox::kernel::captureDebugOutput(true);
            auto path = std::make_shared<DriverPath>();
            path->bus.plugIn(recorder);
            vox::usb::SimulatedBus* bus = &path->bus;
            provider =
                std::make_shared<vox::stack::KernelProvider>(path, [bus] { bus->waitForHub(); });
        } else {
            auto direct = std::make_shared<vox::devio::DirectProvider>();
            direct->attach(recorder);
            provider = direct;
        }
        previous = vox::devio::installProvider(provider);
        CreateDev(&ctx);
    }
    ~Rig() {
        DestroyDev(ctx);
        vox::devio::installProvider(previous);
        vox::kernel::takeDebugOutput();
    }
};

int finish(NoticeLog& log, DeviceContext* ctx, vox::messages::ThreadHandle handle) {
    if (handle == nullptr) return -1;
    // At full speed a 64 MiB transfer takes about a minute; the log pumps
    // for 30 s at a time.
    bool finished = false;
    for (int round = 0; round < 20 && !finished; ++round) finished = log.waitFor(TRANSFER_FINISHED);
    if (!finished) return -1;
    handle->join();
    delete handle;
    UnlockDev(ctx);
    return static_cast<int>(log.valuesOf(TRANSFER_FINISHED).front());
}

std::string pcFile(const char* name) {
    const auto path = std::filesystem::temp_directory_path() / name;
    std::vector<char> bytes(kFileBytes);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31 + 7);
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

// state.range(0): 1 through the driver, 0 direct; range(1): full-speed timing.
void BM_SendAndFetch64MiB(benchmark::State& state) {
    const bool throughDriver = state.range(0) != 0;
    const bool fullSpeed = state.range(1) != 0;
    const std::string source = pcFile("vxr250-bench-source.dvf");
    const std::string target = source + ".back";
    double sendSeconds = 0;
    double fetchSeconds = 0;
    double busSeconds = 0;
    for (auto _ : state) {
        Rig rig(throughDriver, fullSpeed);
        if (rig.ctx == nullptr) {
            state.SkipWithError("no recorder");
            return;
        }
        auto listing = std::make_unique<DeviceListing>();
        QVRefreshDevice(rig.ctx, listing.get(), "A", 0, STORE_MAIN);  // the folder files go to
        int cancel = 0;
        const auto start = std::chrono::steady_clock::now();
        NoticeLog sendLog;
        vox::messages::ThreadHandle handle = nullptr;
        QVDownloadFile(rig.ctx, source.c_str(), STORE_MAIN, sendLog.window(), NoticeLog::kMessage,
                       &handle, &cancel);
        if (finish(sendLog, rig.ctx, handle) != 0) state.SkipWithError("send failed");
        const auto sent = std::chrono::steady_clock::now();

        QVRefreshDevice(rig.ctx, listing.get(), "A", 0, STORE_MAIN);
        std::string name;
        for (int i = 0; i < listing->entryCount; ++i) {
            if (std::string(listing->entries[i].longName) == "vxr250-bench-source.dvf")
                name = listing->entries[i].displayName;
        }
        const auto fetchStart = std::chrono::steady_clock::now();
        NoticeLog fetchLog;
        handle = nullptr;
        QVUploadFile(rig.ctx, name.c_str(), target.c_str(), STORE_MAIN, fetchLog.window(),
                     NoticeLog::kMessage, &handle, &cancel);
        if (finish(fetchLog, rig.ctx, handle) != 0) state.SkipWithError("fetch failed");
        const auto fetched = std::chrono::steady_clock::now();
        sendSeconds += std::chrono::duration<double>(sent - start).count();
        fetchSeconds += std::chrono::duration<double>(fetched - fetchStart).count();
        // Bus time of everything the recorder did: identify, send, listing, fetch.
        busSeconds += std::chrono::duration<double>(rig.recorder->modelledBusTime()).count();
    }
    const double mb =
        static_cast<double>(kFileBytes) / 1e6 * static_cast<double>(state.iterations());
    state.counters["send_MB_per_s"] = mb / sendSeconds;
    state.counters["fetch_MB_per_s"] = mb / fetchSeconds;
    if (fullSpeed)
        state.counters["total_over_bus_time"] = (sendSeconds + fetchSeconds) / busSeconds;
    std::filesystem::remove(source);
    std::filesystem::remove(target);
}

BENCHMARK(BM_SendAndFetch64MiB)
    ->ArgNames({"driver", "fullspeed"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
