#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>

#include "engine/conversion/conversion_job.h"
#include "engine/conversion/convert_notify.h"
#include "engine/conversion/progress.h"
#include "engine/conversion/tests/wave_bytes.h"
#include "platform/messages/queue_target.h"

using namespace vox::conversion;
using namespace vox::conversion::testing;
using vox::messages::LParam;
using vox::messages::LResult;
using vox::messages::Message;
using vox::messages::WParam;

namespace {

// Records what the workers hand the coder.
struct CodecLog {
    int encoderInits = 0;
    int decoderInits = 0;
    std::vector<int> modes;
    std::vector<std::vector<std::int16_t>> encoderInput;  // first 5,120 samples of each call
    std::vector<std::vector<std::uint8_t>> decoderInput;
    std::vector<int> counts;  // what the stand-in decoder reports, call by call
};
CodecLog codecLog;

class RecordingEncoder final : public EncoderStream {
  public:
    bool encode(const std::int16_t* samples, std::uint8_t* block, int mode) override {
        codecLog.modes.push_back(mode);
        codecLog.encoderInput.emplace_back(samples, samples + kMaxSamplesPerEncoderCall);
        for (int i = 0; i < kDvfBlockBytes; ++i)
            block[i] = static_cast<std::uint8_t>(codecLog.modes.size());
        return true;
    }
};

class RecordingDecoder final : public DecoderStream {
  public:
    int decode(const std::uint8_t* block, std::int16_t* samples) override {
        codecLog.decoderInput.emplace_back(block, block + kDvfBlockBytes);
        const int count = codecLog.counts.size() >= codecLog.decoderInput.size()
                              ? codecLog.counts[codecLog.decoderInput.size() - 1]
                              : 0;
        for (int i = 0; i < std::min(count, kDecoderSampleRoom); ++i)
            samples[i] = static_cast<std::int16_t>(i);
        return count;
    }
};

// Opening a stream counts as the start of a stream.
VoiceCodec recordingCodec() {
    return VoiceCodec{
        [] {
            ++codecLog.encoderInits;
            return std::make_unique<RecordingEncoder>();
        },
        [] {
            ++codecLog.decoderInits;
            return std::make_unique<RecordingDecoder>();
        },
    };
}

struct Notice {
    WParam code;
    int percent;
};

class ConversionJobs : public ::testing::Test {
  protected:
    void SetUp() override { codecLog = {}; }

    ConversionJob job(const std::string& source, const std::string& destination, int quality = 1) {
        ConversionJob job;
        job.sourcePath = folder.file(source);
        job.destinationPath = folder.file(destination);
        job.quality = quality;
        job.notify = &target;
        job.codec = recordingCodec();
        job.showMessage = [this](const std::string& text) { shown.push_back(text); };
        job.yieldAfterBlock = std::chrono::milliseconds(0);
        return job;
    }

    std::vector<WParam> codes() const {
        std::vector<WParam> out;
        for (const Notice& n : notices) out.push_back(n.code);
        return out;
    }
    std::vector<int> percents() const {
        std::vector<int> out;
        for (const Notice& n : notices)
            if (n.code == CONVERT_PROGRESS) out.push_back(n.percent);
        return out;
    }

    // The names in the scratch folder, sorted.
    std::vector<std::string> namesInFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.file("")))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    ScratchFolder folder;
    std::vector<Notice> notices;
    std::vector<std::string> shown;
    std::function<void()> onProgress;
    vox::messages::QueueTarget target{
        [this](Message message, WParam code, LParam lParam) -> LResult {
            EXPECT_EQ(message, WM_CONVERT_NOTIFY);
            notices.push_back(
                {code, code == CONVERT_PROGRESS ? *reinterpret_cast<const int*>(lParam) : -1});
            if (code == CONVERT_PROGRESS && onProgress) onProgress();
            return 0;
        }};
};

const std::vector<WParam> kStartedFinished{CONVERT_STARTED, CONVERT_FINISHED};

}  // namespace

TEST_F(ConversionJobs, ModeZeroBlockBoundaryAt10240DataBytes) {
    writeFile(folder.file("exact.wav"), plainWave(rampBytes(10240)));
    EXPECT_EQ(runEncodeJob(job("exact.wav", "exact_LP.DVF", 0)), 1);
    EXPECT_EQ(readFile(folder.file("exact_LP.DVF")).size(), 512u);
    EXPECT_EQ(codes(), kStartedFinished);
    EXPECT_EQ(codecLog.encoderInits, 1);
    ASSERT_EQ(codecLog.modes, std::vector<int>{0});
    EXPECT_EQ(codecLog.encoderInput[0][0], 1);
    EXPECT_EQ(codecLog.encoderInput[0][5119], 5120);

    notices.clear();
    codecLog = {};
    Bytes data = rampBytes(10240);
    data.push_back(0x7B);
    writeFile(folder.file("over.wav"), plainWave(data));
    EXPECT_EQ(runEncodeJob(job("over.wav", "over_LP.DVF", 0)), 1);
    EXPECT_EQ(readFile(folder.file("over_LP.DVF")).size(), 1024u);
    ASSERT_EQ(codecLog.modes, (std::vector<int>{0, 0}));
    // The single byte read is the low byte of the first sample; the rest is silence.
    std::vector<std::int16_t> second(kMaxSamplesPerEncoderCall, 0);
    second[0] = 0x7B;
    EXPECT_EQ(codecLog.encoderInput[1], second);
    EXPECT_EQ(codes(), (std::vector<WParam>{CONVERT_STARTED, CONVERT_PROGRESS, CONVERT_FINISHED}));
}

TEST_F(ConversionJobs, ModeOneBlockBoundaryAt8160DataBytesWithItsProgressNotice) {
    writeFile(folder.file("exact.wav"), plainWave(rampBytes(8160)));
    EXPECT_EQ(runEncodeJob(job("exact.wav", "exact_SP.DVF")), 1);
    EXPECT_EQ(codecLog.modes, std::vector<int>{1});
    EXPECT_EQ(codes(), kStartedFinished);
    // Only the 4,080 samples of a call are read; the rest of the area is zero.
    EXPECT_EQ(codecLog.encoderInput[0][4079], 4080);
    EXPECT_EQ(codecLog.encoderInput[0][4080], 0);

    notices.clear();
    codecLog = {};
    const Bytes file = riff({chunk("fmt ", formatBody({})), chunk("data", rampBytes(8161), false)});
    writeFile(folder.file("over.wav"), file);
    EXPECT_EQ(runEncodeJob(job("over.wav", "over_SP.DVF")), 1);
    EXPECT_EQ(codecLog.modes, (std::vector<int>{1, 1}));
    const std::uint64_t length = file.size();
    EXPECT_EQ(percents(), std::vector<int>{static_cast<int>((length - 1) * 100 / length)});
}

TEST_F(ConversionJobs, EncoderReadsTheDataChunkItselfNotTheTailOfTheFile) {
    const Bytes data = rampBytes(2 * 2240 + 2, 100);
    writeFile(folder.file("tail.wav"), riff({chunk("fmt ", formatBody({})), chunk("data", data),
                                             chunk("LIST", Bytes(300, 0xCC))}));
    EXPECT_EQ(runEncodeJob(job("tail.wav", "tail_HQ.DVF", 2)), 1);
    ASSERT_EQ(codecLog.modes, (std::vector<int>{2, 2}));
    EXPECT_EQ(codecLog.encoderInput[0][0], 100);  // the start of the audio is not lost
    EXPECT_EQ(codecLog.encoderInput[1][0], 100 + 2240);
    EXPECT_EQ(codecLog.encoderInput[1][1], 0);  // nothing of the LIST chunk
    EXPECT_EQ(percents().size(), 1u);
}

TEST_F(ConversionJobs, QualityOutsideTheListEncodesAsSp) {
    writeFile(folder.file("q.wav"), plainWave(rampBytes(100)));
    EXPECT_EQ(runEncodeJob(job("q.wav", "q_SP.DVF", 5)), 1);
    EXPECT_EQ(runEncodeJob(job("q.wav", "q_SP.DVF", -3)), 1);
    EXPECT_EQ(codecLog.modes, (std::vector<int>{1, 1}));
}

TEST_F(ConversionJobs, FormatRefusalShowsTheMessageFinishesAndLeavesTheWorkerIdle) {
    writeFile(folder.file("stereo.wav"), plainWave(rampBytes(100), {.channels = 2}));
    writeFile(folder.file("junk.wav"), Bytes(64, 'j'));
    for (const char* name : {"stereo.wav", "junk.wav", "missing.wav"}) {
        auto worker = startEncodeWorker(job(name, "out.DVF"));
        ASSERT_TRUE(target.pumpUntil([&] { return !notices.empty(); }, std::chrono::seconds(10)));
        EXPECT_EQ(worker->join(), 0);
        EXPECT_EQ(codes(), std::vector<WParam>{CONVERT_FINISHED}) << name;
        notices.clear();
    }
    EXPECT_EQ(shown, std::vector<std::string>(
                         3, "The converting only supports 8KHz, 16bit, Mono Wave data only !!"));
    EXPECT_FALSE(std::filesystem::exists(folder.file("out.DVF")));
    EXPECT_EQ(codecLog.encoderInits, 0);

    writeFile(folder.file("good.wav"), plainWave(rampBytes(100)));
    auto worker = startEncodeWorker(job("good.wav", "good_SP.DVF"));
    ASSERT_TRUE(target.pumpUntil([&] { return notices.size() == 2; }, std::chrono::seconds(10)));
    EXPECT_EQ(worker->join(), 1);
    EXPECT_EQ(codes(), kStartedFinished);
}

TEST_F(ConversionJobs, DecoderIsCalledOncePerBlockAndTheWavHoldsEveryReportedSample) {
    Bytes dvf;
    for (int b = 0; b < 3; ++b) dvf.insert(dvf.end(), 512, static_cast<std::uint8_t>(b + 1));
    writeFile(folder.file("memo.dvf"), dvf);
    codecLog.counts = {5120, 4080, 7};
    auto worker = startDecodeWorker(job("memo.dvf", "memo.WAV"));
    ASSERT_TRUE(target.pumpUntil(
        [&] { return !notices.empty() && notices.back().code == CONVERT_FINISHED; },
        std::chrono::seconds(10)));
    EXPECT_EQ(worker->join(), 1);
    EXPECT_EQ(codecLog.decoderInits, 1);
    ASSERT_EQ(codecLog.decoderInput.size(), 3u);
    EXPECT_EQ(codecLog.decoderInput[2], std::vector<std::uint8_t>(512, 3));
    EXPECT_EQ(codes(), (std::vector<WParam>{CONVERT_STARTED, CONVERT_PROGRESS, CONVERT_PROGRESS,
                                            CONVERT_FINISHED}));
    EXPECT_EQ(percents(), (std::vector<int>{33, 66}));

    const Bytes wav = readFile(folder.file("memo.WAV"));
    const std::uint32_t dataBytes = 2 * (5120 + 4080 + 7);
    ASSERT_EQ(wav.size(), 46u + dataBytes);
    EXPECT_EQ(wav[42] | wav[43] << 8 | wav[44] << 16, static_cast<int>(dataBytes));
    EXPECT_EQ(wav[4] | wav[5] << 8 | wav[6] << 16, static_cast<int>(dataBytes + 38));
    EXPECT_EQ(wav[46 + 2 * 5120 + 2], 1);  // second block's sample 1
}

TEST_F(ConversionJobs, ShortLastBlockIsPaddedWithZerosAndAFileWithoutVoiceGivesNoWave) {
    Bytes dvf(512 + 100, 0x11);
    writeFile(folder.file("cut.dvf"), dvf);
    codecLog.counts = {80, 80};
    EXPECT_EQ(runDecodeJob(job("cut.dvf", "cut.WAV")), 1);
    ASSERT_EQ(codecLog.decoderInput.size(), 2u);
    EXPECT_EQ(codecLog.decoderInput[1][99], 0x11);
    EXPECT_EQ(codecLog.decoderInput[1][100], 0);
    EXPECT_EQ(readFile(folder.file("cut.WAV")).size(), 46u + 320u);

    codecLog = {};
    notices.clear();
    writeFile(folder.file("empty.dvf"), {});
    const ConversionJob empty = job("empty.dvf", "empty.WAV");
    EXPECT_EQ(runDecodeJob(empty), 0);
    EXPECT_TRUE(codecLog.decoderInput.empty());
    EXPECT_FALSE(std::filesystem::exists(folder.file("empty.WAV")));

    // A first block that gives no samples is not voice either.
    writeFile(folder.file("noise.dvf"), Bytes(1024, 0x5A));
    codecLog.counts = {0, 80};
    const ConversionJob noise = job("noise.dvf", "noise.WAV");
    EXPECT_EQ(runDecodeJob(noise), 0);
    EXPECT_EQ(codecLog.decoderInput.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(folder.file("noise.WAV")));
    EXPECT_EQ(
        shown,
        (std::vector<std::string>{
            "\"" + empty.sourcePath + "\" is not a voice file: it has no valid first block.",
            "\"" + noise.sourcePath + "\" is not a voice file: it has no valid first block."}));
    EXPECT_EQ(codes(), std::vector<WParam>(2, CONVERT_FINISHED));
}

TEST_F(ConversionJobs, AFailedOrCancelledConversionKeepsTheOldOutputAndLeavesNothingElse) {
    writeFile(folder.file("memo.dvf"), Bytes(3 * 512, 1));
    writeFile(folder.file("memo.WAV"), {'o', 'l', 'd'});
    int cancel = 0;
    codecLog.counts = {80, 80, 80};
    ConversionJob stopped = job("memo.dvf", "memo.WAV");
    stopped.cancel = &cancel;
    // Raised once the first block is done.
    onProgress = [&] { std::atomic_ref<int>(cancel).store(1); };
    EXPECT_EQ(runDecodeJob(stopped), 0);
    EXPECT_EQ(readFile(folder.file("memo.WAV")), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(namesInFolder(), (std::vector<std::string>{"memo.WAV", "memo.dvf"}));

    cancel = 0;
    onProgress = nullptr;
    codecLog = {};
    codecLog.counts = {80, 80, 80};
    EXPECT_EQ(runDecodeJob(stopped), 1);
    EXPECT_EQ(readFile(folder.file("memo.WAV")).size(), 46u + 3 * 160u);
    EXPECT_EQ(namesInFolder(), (std::vector<std::string>{"memo.WAV", "memo.dvf"}));
}

TEST_F(ConversionJobs, DecoderCountsOutsideTheSampleRoomAreCut) {
    writeFile(folder.file("x.dvf"), Bytes(1024, 1));
    codecLog.counts = {20000, -5};
    EXPECT_EQ(runDecodeJob(job("x.dvf", "x.WAV")), 1);
    EXPECT_EQ(readFile(folder.file("x.WAV")).size(), 46u + 2u * kDecoderSampleRoom);
}

TEST_F(ConversionJobs, UnopenableFilesEndWithOnlyTheFinishedNotice) {
    EXPECT_EQ(runDecodeJob(job("absent.dvf", "absent.WAV")), 0);
    writeFile(folder.file("here.dvf"), Bytes(512, 1));
    ConversionJob badDestination = job("here.dvf", "x.WAV");
    badDestination.destinationPath = folder.file("no-such-folder/x.WAV");
    EXPECT_EQ(runDecodeJob(badDestination), 0);
    writeFile(folder.file("fine.wav"), plainWave(rampBytes(10)));
    ConversionJob badEncodeDestination = job("fine.wav", "x.DVF");
    badEncodeDestination.destinationPath = folder.file("no-such-folder/x.DVF");
    EXPECT_EQ(runEncodeJob(badEncodeDestination), 0);
    EXPECT_EQ(codes(), std::vector<WParam>(3, CONVERT_FINISHED));
    EXPECT_EQ(codecLog.decoderInits + codecLog.encoderInits, 0);
}

TEST(ConversionProgress, PercentagesOfLargeFilesDoNotWrap) {
    int seen = -1;
    vox::messages::QueueTarget target([&](Message, WParam, LParam lParam) -> LResult {
        seen = *reinterpret_cast<const int*>(lParam);
        return 0;
    });
    sendProgress(&target, 45'000'000, 60'000'000);  // 45 MB * 100 overflows 32 bits
    EXPECT_EQ(seen, 75);
}
