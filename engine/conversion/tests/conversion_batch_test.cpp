// The batch runner's sharing out, results and progress, over a stand-in
// coder that notes which thread ran each stream.

#include "engine/conversion/conversion_batch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "engine/conversion/tests/wave_bytes.h"

using namespace vox::conversion;
using namespace vox::conversion::testing;

namespace {

struct ThreadLog {
    std::mutex mutex;
    std::condition_variable changed;
    std::set<std::thread::id> threads;
    int streamsOpened = 0;
    int streamsAtOnce = 0;
    int mostStreamsAtOnce = 0;
    // A stream's first block waits (up to a few seconds) until this many
    // streams have been open at once, so that the overlap a test expects
    // does not depend on timing.
    int awaitedOverlap = 1;
};

// Writes the block's first sample in every byte of the block.
class NotingEncoder final : public EncoderStream {
  public:
    explicit NotingEncoder(ThreadLog& log) : log_(log) {
        const std::lock_guard lock(log_.mutex);
        log_.threads.insert(std::this_thread::get_id());
        ++log_.streamsOpened;
        log_.mostStreamsAtOnce = std::max(log_.mostStreamsAtOnce, ++log_.streamsAtOnce);
        log_.changed.notify_all();
    }
    ~NotingEncoder() override {
        const std::lock_guard lock(log_.mutex);
        --log_.streamsAtOnce;
    }
    bool encode(const std::int16_t* samples, std::uint8_t* block, int) override {
        std::unique_lock lock(log_.mutex);
        log_.changed.wait_for(lock, std::chrono::seconds(5),
                              [this] { return log_.mostStreamsAtOnce >= log_.awaitedOverlap; });
        std::fill(block, block + kDvfBlockBytes, static_cast<std::uint8_t>(samples[0]));
        return true;
    }

  private:
    ThreadLog& log_;
};

VoiceCodec notingCodec(ThreadLog& log) {
    return VoiceCodec{[&log] { return std::make_unique<NotingEncoder>(log); }, nullptr};
}

class ConversionBatch : public ::testing::Test {
  protected:
    // Jobs over `count` WAV files of `blocks` SP blocks, file i's samples
    // all equal to i + 1.
    std::vector<BatchJob> waveJobs(int count, int blocks = 2) {
        std::vector<BatchJob> jobs;
        for (int i = 0; i < count; ++i) {
            Bytes data;
            for (int s = 0; s < blocks * 4080; ++s) put16(data, static_cast<std::uint16_t>(i + 1));
            const std::string name = "f" + std::to_string(i);
            writeFile(folder.file(name + ".wav"), plainWave(data));
            jobs.push_back({folder.file(name + ".wav"), folder.file(name + "_SP.DVF")});
        }
        return jobs;
    }

    ScratchFolder folder;
    ThreadLog log;
};

}  // namespace

TEST(ConversionBatchThreads, NeverMoreThreadsThanFilesOrThanAsked) {
    const unsigned hardware = std::max(1u, std::thread::hardware_concurrency());
    EXPECT_EQ(batchThreadCount(0, 0), 1u);
    EXPECT_EQ(batchThreadCount(1, 0), 1u);
    EXPECT_EQ(batchThreadCount(1000, 0), hardware);
    EXPECT_EQ(batchThreadCount(3, 8), 3u);
    EXPECT_EQ(batchThreadCount(10, 2), 2u);
}

TEST_F(ConversionBatch, OneFileRunsOnTheCallingThreadAlone) {
    const auto jobs = waveJobs(1);
    const auto results = runConversionBatch(jobs, {.codec = notingCodec(log), .threads = 8});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].converted);
    EXPECT_EQ(log.threads, std::set<std::thread::id>{std::this_thread::get_id()});
}

TEST_F(ConversionBatch, FilesShareTheThreadsAndEachGetsItsOwnResultAndOutput) {
    const auto jobs = waveJobs(7);
    log.awaitedOverlap = 3;
    const auto results = runConversionBatch(jobs, {.codec = notingCodec(log), .threads = 3});
    ASSERT_EQ(results.size(), 7u);
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        EXPECT_TRUE(results[i].converted) << i;
        EXPECT_TRUE(results[i].message.empty()) << i;
        EXPECT_EQ(readFile(jobs[i].destinationPath),
                  Bytes(2 * 512, static_cast<std::uint8_t>(i + 1)))
            << i;
    }
    EXPECT_EQ(log.threads.size(), 3u);
    EXPECT_EQ(log.mostStreamsAtOnce, 3);
    EXPECT_TRUE(log.threads.contains(std::this_thread::get_id()));
}

TEST_F(ConversionBatch, ProgressComesPerFileOneCallAtATime) {
    const auto jobs = waveJobs(4, 3);
    log.awaitedOverlap = 4;
    std::map<std::size_t, std::vector<int>> seen;
    std::atomic<int> inside{0};
    bool overlapped = false;
    BatchOptions options{.codec = notingCodec(log), .threads = 4};
    options.progress = [&](std::size_t job, int percent) {
        if (++inside != 1) overlapped = true;
        seen[job].push_back(percent);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        --inside;
    };
    runConversionBatch(jobs, options);
    EXPECT_FALSE(overlapped);
    ASSERT_EQ(seen.size(), 4u);
    // 3 blocks: started, then after blocks 1 and 2 of 3.
    const int headerBytes = 44;
    const int length = headerBytes + 3 * 8160;
    for (const auto& [job, percents] : seen)
        EXPECT_EQ(percents, (std::vector<int>{0, (headerBytes + 8160) * 100 / length,
                                              (headerBytes + 2 * 8160) * 100 / length}))
            << job;
}

TEST_F(ConversionBatch, RefusedAndFailingFilesLeaveTheOthersWhole) {
    auto jobs = waveJobs(3);
    writeFile(folder.file("stereo.wav"), plainWave(rampBytes(400), {.channels = 2}));
    jobs.push_back({folder.file("stereo.wav"), folder.file("stereo_SP.DVF")});
    jobs.push_back({folder.file("absent.wav"), folder.file("absent_SP.DVF")});
    jobs.push_back({folder.file("f0.wav"), folder.file("no-folder/f0_SP.DVF")});
    // The same output twice: the second is refused rather than lost.
    jobs.push_back({folder.file("f2.wav"), folder.file("f1_SP.DVF")});
    // An output over another file's input: refused, the input stays.
    jobs.push_back({folder.file("memo.DVF"), folder.file("f0.wav")});
    jobs.back().direction = ConvertDirection::DvfToWav;
    const Bytes input0 = readFile(folder.file("f0.wav"));

    const auto results = runConversionBatch(jobs, {.codec = notingCodec(log), .threads = 4});
    ASSERT_EQ(results.size(), jobs.size());
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(results[i].converted) << i;
        EXPECT_EQ(readFile(jobs[i].destinationPath),
                  Bytes(2 * 512, static_cast<std::uint8_t>(i + 1)))
            << i;
    }
    for (std::size_t i = 3; i < jobs.size(); ++i) {
        EXPECT_FALSE(results[i].converted) << i;
        EXPECT_FALSE(results[i].cancelled) << i;
    }
    EXPECT_EQ(results[3].message,
              "The converting only supports 8KHz, 16bit, Mono Wave data only !!");
    EXPECT_EQ(results[6].message, "\"" + jobs[6].destinationPath +
                                      "\" is the destination of an earlier file of this batch.");
    EXPECT_EQ(results[7].message, "\"" + jobs[7].destinationPath +
                                      "\" is the destination of one file of this batch and the "
                                      "source of another.");
    EXPECT_EQ(readFile(folder.file("f0.wav")), input0);
    // Nothing but the inputs and the whole outputs.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.file("")))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"f0.wav", "f0_SP.DVF", "f1.wav", "f1_SP.DVF",
                                               "f2.wav", "f2_SP.DVF", "stereo.wav"}));
}

TEST_F(ConversionBatch, CancelStopsEveryFileAndKeepsTheOldOutputs) {
    const auto jobs = waveJobs(4, 3);
    for (const BatchJob& job : jobs) writeFile(job.destinationPath, Bytes{'o', 'l', 'd'});
    int cancel = 0;
    BatchOptions options{.codec = notingCodec(log), .threads = 2, .cancel = &cancel};
    // Raised as the first file moves past its first block.
    options.progress = [&](std::size_t, int percent) {
        if (percent > 0) std::atomic_ref<int>(cancel).store(1);
    };
    const auto results = runConversionBatch(jobs, options);
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        EXPECT_FALSE(results[i].converted) << i;
        EXPECT_TRUE(results[i].cancelled) << i;
        EXPECT_EQ(readFile(jobs[i].destinationPath), (Bytes{'o', 'l', 'd'})) << i;
    }
    // No file starts once cancel is raised: only the two begun before.
    EXPECT_LE(log.streamsOpened, 2);
}
