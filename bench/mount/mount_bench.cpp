// voxctl mount on a recorder model with full-speed USB timing: cp of ten
// 5 MB files into the mount and out of it, as the wall time over the
// modelled bus time (the bus's own time is the floor: a copy in is sent and
// read back, a copy out fetched once), and ls -l of a folder of 99 files,
// as host time (the wall time less the bus time of the one listing).

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "platform/devio/direct_provider.h"
#include "recorder_model/recorder.h"
#include "tools/voxctl/mount/fuse_loop.h"
#include "tools/voxctl/mount/mount_cache.h"
#include "tools/voxctl/mount/mounted_recorder.h"
#include "tools/voxctl/recorder_session.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFiles = 10;
constexpr std::size_t kFileBytes = 5u << 20;
constexpr int kListedFiles = 99;

double seconds(std::chrono::nanoseconds span) {
    return std::chrono::duration<double>(span).count();
}

// A recorder model mounted on a folder of its own while this lives, served
// by a thread of this process; the PC side's tools run as child processes.
class BenchMount {
  public:
    BenchMount(const fs::path& folder, const std::shared_ptr<vox::model::Recorder>& recorder)
        : mountPoint_((folder / "mnt").string()) {
        fs::create_directories(mountPoint_);
        ::setenv("XDG_CACHE_HOME", (folder / "cache").c_str(), 1);
        direct_ = std::make_shared<vox::devio::DirectProvider>();
        direct_->attach(recorder);
        vox::devio::installProvider(direct_);
        session_ = std::make_unique<vox::voxctl::RecorderSession>();
        cache_ = std::make_unique<vox::voxctl::mount::MountCache>(1ull << 30);
        mounted_ = std::make_unique<vox::voxctl::mount::MountedRecorder>(*session_, *cache_);
        std::promise<bool> ready;
        std::future<bool> isReady = ready.get_future();
        loop_ = std::thread([this, &ready] {
            std::string error;
            const auto end = vox::voxctl::mount::serve(
                *mounted_, mountPoint_, [&ready] { ready.set_value(true); }, error);
            if (end == vox::voxctl::mount::MountEnd::Failed) ready.set_value(false);
        });
        ok_ = isReady.get();
    }
    ~BenchMount() {
        if (ok_) std::system(("fusermount3 -u " + mountPoint_).c_str());
        loop_.join();
        mounted_.reset();
        cache_.reset();
        session_.reset();
        vox::devio::installProvider(nullptr);
    }
    bool ok() const { return ok_; }
    const std::string& mountPoint() const { return mountPoint_; }

  private:
    std::string mountPoint_;
    std::shared_ptr<vox::devio::DirectProvider> direct_;
    std::unique_ptr<vox::voxctl::RecorderSession> session_;
    std::unique_ptr<vox::voxctl::mount::MountCache> cache_;
    std::unique_ptr<vox::voxctl::mount::MountedRecorder> mounted_;
    std::thread loop_;
    bool ok_ = false;
};

std::shared_ptr<vox::model::Recorder> fullSpeedRecorder() {
    vox::model::RecorderOptions options;
    options.capacityBytes = 256ull << 20;
    options.fullSpeedTiming = true;
    return std::make_shared<vox::model::Recorder>(options);
}

bool fuseMissing(benchmark::State& state) {
    if (fs::exists("/dev/fuse") && std::system("command -v fusermount3 >/dev/null") == 0)
        return false;
    state.SkipWithError("no FUSE here (/dev/fuse or fusermount3 missing)");
    return true;
}

void BM_CopyTenFilesInAndOut(benchmark::State& state) {
    if (fuseMissing(state)) return;
    const fs::path folder = fs::temp_directory_path() / "mount_bench_copy";
    fs::remove_all(folder);
    fs::create_directories(folder / "pc");
    for (int i = 0; i < kFiles; ++i) {
        std::ofstream out(folder / "pc" / ("file" + std::to_string(i) + ".bin"), std::ios::binary);
        std::string content(kFileBytes, '\0');
        for (std::size_t k = 0; k < content.size(); ++k)
            content[k] = static_cast<char>((k * 131 + i * 7) >> 3);
        out << content;
    }
    double inWall = 0, inBus = 0, outWall = 0, outBus = 0;
    for (auto _ : state) {
        auto recorder = fullSpeedRecorder();
        BenchMount mount(folder, recorder);
        if (!mount.ok()) return state.SkipWithError("the recorder could not be mounted");
        const std::string hd = mount.mountPoint() + "/HD";
        fs::remove_all(folder / "back");
        fs::create_directories(folder / "back");

        auto bus = recorder->modelledBusTime();
        auto started = Clock::now();
        if (std::system(("cp " + (folder / "pc").string() + "/*.bin " + hd).c_str()) != 0)
            return state.SkipWithError("cp into the mount failed");
        inWall += seconds(Clock::now() - started);
        inBus += seconds(recorder->modelledBusTime() - bus);

        bus = recorder->modelledBusTime();
        started = Clock::now();
        if (std::system(("cp " + hd + "/*.bin " + (folder / "back").string()).c_str()) != 0)
            return state.SkipWithError("cp out of the mount failed");
        outWall += seconds(Clock::now() - started);
        outBus += seconds(recorder->modelledBusTime() - bus);
        if (std::system(("diff -r " + (folder / "pc").string() + " " + (folder / "back").string())
                            .c_str()) != 0)
            return state.SkipWithError("the copies differ");
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["in_wall_s"] = inWall / runs;
    state.counters["in_bus_s"] = inBus / runs;
    state.counters["in_wall_over_bus"] = inWall / inBus;
    state.counters["out_wall_s"] = outWall / runs;
    state.counters["out_bus_s"] = outBus / runs;
    state.counters["out_wall_over_bus"] = outWall / outBus;
    state.counters["total_wall_over_bus"] = (inWall + outWall) / (inBus + outBus);
    fs::remove_all(folder);
}

void BM_ListNinetyNineFiles(benchmark::State& state) {
    if (fuseMissing(state)) return;
    const fs::path folder = fs::temp_directory_path() / "mount_bench_list";
    fs::remove_all(folder);
    auto recorder = fullSpeedRecorder();
    const std::vector<std::uint8_t> content(1000, 0x5A);
    for (int i = 1; i <= kListedFiles; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "NOTE%04d.TXT", i);
        std::string error;
        if (!recorder->fileSystem().addFile('M', "HD", name, u"", content,
                                            vox::model::FatStamp::now(), error))
            return state.SkipWithError(error.c_str());
    }
    double coldHost = 0, warmWall = 0;
    for (auto _ : state) {
        // On a fresh mount the first ls reads the listing from the recorder;
        // the next one is served from the kept listing.
        BenchMount mount(folder, recorder);
        if (!mount.ok()) return state.SkipWithError("the recorder could not be mounted");
        const std::string command = "ls -l " + mount.mountPoint() + "/HD > /dev/null";
        const auto bus = recorder->modelledBusTime();
        auto started = Clock::now();
        std::system(command.c_str());
        coldHost += seconds(Clock::now() - started) - seconds(recorder->modelledBusTime() - bus);
        started = Clock::now();
        std::system(command.c_str());
        warmWall += seconds(Clock::now() - started);
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["first_ls_host_ms"] = 1000 * coldHost / runs;
    state.counters["next_ls_ms"] = 1000 * warmWall / runs;
    fs::remove_all(folder);
}

BENCHMARK(BM_CopyTenFilesInAndOut)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_ListNinetyNineFiles)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
