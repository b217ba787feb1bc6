// Transfers of a 64 MiB file (8 MiB with timing) through QVDevSys over the direct provider and
// a recorder model, unthrottled (MB/s) and with the model's full-speed USB
// timing (wall time over modelled bus time); and the host CPU time and
// memory of listing a folder of 102 long-named entries.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "device_library/listing_decoder.h"
#include "device_library/qvdevsys.h"
#include "platform/devio/direct_provider.h"
#include "platform/messages/queue_target.h"
#include "recorder_model/recorder.h"

namespace {

namespace fs = std::filesystem;

struct Rig {
    explicit Rig(bool fullSpeed) {
        vox::model::RecorderOptions options;
        options.capacityBytes = 256ull << 20;
        options.fullSpeedTiming = fullSpeed;
        recorder = std::make_shared<vox::model::Recorder>(options);
        auto direct = std::make_shared<vox::devio::DirectProvider>();
        direct->attach(recorder);
        vox::devio::installProvider(direct);
        CreateDev(&ctx);
    }
    ~Rig() {
        DestroyDev(ctx);
        vox::devio::installProvider(nullptr);
    }
    std::shared_ptr<vox::model::Recorder> recorder;
    DeviceContext* ctx = nullptr;
};

// Runs one transfer export to its end; true when it finished with 0.
template <typename Start>
bool runTransfer(DeviceContext* ctx, Start start) {
    long long outcome = -1;
    vox::messages::QueueTarget window(
        [&](vox::messages::Message, vox::messages::WParam code, vox::messages::LParam value) {
            if (code == TRANSFER_FINISHED) outcome = value;
            return vox::messages::LResult{0};
        });
    vox::messages::ThreadHandle handle = nullptr;
    start(&window, &handle);
    if (handle == nullptr) return false;
    window.pumpUntil([&] { return outcome >= 0; });
    handle->join();
    delete handle;
    UnlockDev(ctx);
    return outcome == 0;
}

void transferRound(benchmark::State& state, bool fullSpeed, std::size_t fileBytes) {
    const fs::path folder = fs::temp_directory_path() / "qvdevsys_bench";
    fs::create_directories(folder);
    const std::string source = (folder / "big recording.dvf").string();
    const std::string target = (folder / "fetched.dvf").string();
    {
        std::vector<char> bytes(fileBytes);
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 13);
        std::ofstream(source, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    double seconds = 0;
    double busSeconds = 0;
    for (auto _ : state) {
        Rig rig(fullSpeed);
        auto listing = std::make_unique<DeviceListing>();
        QVRefreshDevice(rig.ctx, listing.get(), "HD", 0, STORE_MAIN);
        const auto busBefore = rig.recorder->modelledBusTime();
        const auto start = std::chrono::steady_clock::now();
        const bool sent = runTransfer(rig.ctx, [&](auto window, auto slot) {
            QVDownloadFile(rig.ctx, source.c_str(), STORE_MAIN, window, 0x917, slot, nullptr);
        });
        QVRefreshDevice(rig.ctx, listing.get(), "HD", 0, STORE_MAIN);
        std::string name;
        for (int i = 0; i < listing->entryCount; ++i) {
            if (std::string(listing->entries[i].longName) == "big recording.dvf")
                name = listing->entries[i].displayName;
        }
        const bool fetched = runTransfer(rig.ctx, [&](auto window, auto slot) {
            QVUploadFile(rig.ctx, name.c_str(), target.c_str(), STORE_MAIN, window, 0x917, slot,
                         nullptr);
        });
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        busSeconds +=
            std::chrono::duration<double>(rig.recorder->modelledBusTime() - busBefore).count();
        if (!sent || !fetched || fs::file_size(target) != fileBytes) {
            state.SkipWithError("transfer failed");
            break;
        }
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["MB_per_s"] = 2.0 * fileBytes / 1e6 * iterations / seconds;
    if (fullSpeed) state.counters["time_over_bus_time"] = seconds / busSeconds;
    fs::remove_all(folder);
}

void BM_SendAndFetch64MiB(benchmark::State& state) {
    transferRound(state, false, 64u << 20);
}
// At full speed a 64 MiB round takes about two minutes of modelled bus time;
// the ratio does not depend on the size, so a smaller file keeps runs short.
void BM_SendAndFetch8MiBFullSpeed(benchmark::State& state) {
    transferRound(state, true, 8u << 20);
}

// A directory stream of 102 entries, each a long name of 80 characters.
std::vector<std::uint8_t> longNameFolder(std::uint32_t& length) {
    std::vector<std::uint8_t> stream(8, 0);
    for (int e = 0; e < 102; ++e) {
        const int parts = 7;  // 80 units in 13-unit parts
        for (int k = parts; k-- > 0;) {
            std::uint8_t raw[32] = {};
            raw[0] = static_cast<std::uint8_t>((k + 1) | (k + 1 == parts ? 0x40 : 0));
            raw[11] = 0x0F;
            static constexpr int offsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
            for (int u = 0; u < 13; ++u) {
                const int at = k * 13 + u;
                const std::uint16_t unit = at < 80 ? static_cast<std::uint16_t>('a' + (at + e) % 26)
                                           : at == 80 ? 0
                                                      : 0xFFFF;
                raw[offsets[u]] = static_cast<std::uint8_t>(unit);
                raw[offsets[u] + 1] = static_cast<std::uint8_t>(unit >> 8);
            }
            stream.insert(stream.end(), raw, raw + 32);
        }
        std::uint8_t entry[32] = {};
        std::snprintf(reinterpret_cast<char*>(entry), 12, "LONG~%03dTXT", e);
        entry[11] = 0x20;
        stream.insert(stream.end(), entry, entry + 32);
    }
    length = static_cast<std::uint32_t>(stream.size());
    stream.resize(vox::devsys::directoryReadSize(length), 0);
    return stream;
}

void BM_Decode102LongNames(benchmark::State& state) {
    std::uint32_t length = 0;
    const auto stream = longNameFolder(length);
    for (auto _ : state) {
        auto listing = std::make_unique<DeviceListing>();
        benchmark::DoNotOptimize(
            vox::devsys::decodeDirectoryStream(stream, length, 0x15, *listing));
    }
    state.counters["listing_bytes"] = sizeof(DeviceListing) + static_cast<double>(stream.size());
}

void BM_RefreshDevice102LongNames(benchmark::State& state) {
    Rig rig(false);
    auto& fileSystem = rig.recorder->fileSystem();
    for (int e = 0; e < 102; ++e) {
        char shortName[16];
        std::snprintf(shortName, sizeof shortName, "LONG~%03d.TXT", e);
        std::u16string longName(80, u'a');
        longName[0] = static_cast<char16_t>(u'a' + e % 26);
        longName[79] = static_cast<char16_t>(u'0' + e % 10);
        longName[78] = static_cast<char16_t>(u'0' + e / 10);
        std::string error;
        fileSystem.addFile('M', "HD", shortName, longName, {1, 2, 3}, {}, error);
    }
    auto listing = std::make_unique<DeviceListing>();
    for (auto _ : state) {
        if (QVRefreshDevice(rig.ctx, listing.get(), "HD", 0, STORE_MAIN) != 1) {
            state.SkipWithError("listing failed");
            break;
        }
    }
    state.counters["entries"] = listing->entryCount;
}

}  // namespace

BENCHMARK(BM_SendAndFetch64MiB)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_SendAndFetch8MiBFullSpeed)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();
BENCHMARK(BM_Decode102LongNames)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RefreshDevice102LongNames)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
