// The recorder's coder in a batch: streams running side by side on several
// threads give exactly the bytes each file gives converted on its own.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/conversion/conversion_batch.h"
#include "engine/conversion/conversion_job.h"
#include "engine/conversion/tests/wave_bytes.h"

using namespace vox::conversion;
using namespace vox::conversion::testing;

namespace {

// A few blocks of a voiced sound whose pitch and loudness differ per file,
// with some noise, so that every file drives the coder's state its own way.
Bytes speechLike(int file, int samples) {
    Bytes data;
    std::uint32_t noise = 12345u + static_cast<std::uint32_t>(file);
    for (int i = 0; i < samples; ++i) {
        noise = noise * 1664525u + 1013904223u;
        const double pitch = 90.0 + 23.0 * file + 30.0 * std::sin(i / 900.0);
        const double envelope = 0.5 + 0.5 * std::sin(i / (300.0 + 40.0 * file));
        const double value = 6000.0 * envelope * std::sin(2 * M_PI * pitch * i / 8000.0) +
                             static_cast<int>(noise >> 22) - 512;
        put16(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(value)));
    }
    return data;
}

ConversionJob singleJob(const BatchJob& batchJob) {
    ConversionJob job;
    job.sourcePath = batchJob.sourcePath;
    job.destinationPath = batchJob.destinationPath;
    job.quality = batchJob.quality;
    job.codec = recorderVoiceCodec();
    job.yieldAfterBlock = std::chrono::milliseconds(0);
    return job;
}

}  // namespace

TEST(RecorderCodecBatch, ParallelStreamsGiveTheBytesOfSingleConversions) {
    ScratchFolder folder;
    constexpr int kFiles = 6;
    std::vector<BatchJob> encodes, decodes;
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = "talk" + std::to_string(i);
        writeFile(folder.file(name + ".wav"), plainWave(speechLike(i, 3 * 4080 + 17 * i)));
        const int quality = i % 3;
        const std::string suffix = quality == 0 ? "_LP" : quality == 1 ? "_SP" : "_HQ";
        encodes.push_back({folder.file(name + ".wav"), folder.file(name + suffix + ".DVF"),
                           ConvertDirection::WavToDvf, quality});
        decodes.push_back({encodes.back().destinationPath, folder.file(name + suffix + ".WAV"),
                           ConvertDirection::DvfToWav});
    }

    // One by one, on this thread; the outputs are kept aside.
    std::vector<Bytes> alone;
    for (const auto* list : {&encodes, &decodes}) {
        for (const BatchJob& job : *list) {
            const ConversionJob single = singleJob(job);
            const int converted = job.direction == ConvertDirection::WavToDvf
                                      ? runEncodeJob(single)
                                      : runDecodeJob(single);
            ASSERT_EQ(converted, 1) << job.sourcePath;
            alone.push_back(readFile(job.destinationPath));
        }
    }
    for (const auto* list : {&encodes, &decodes})
        for (const BatchJob& job : *list) std::filesystem::remove(job.destinationPath);
    // Every file is several blocks, so streams run side by side for a while.
    EXPECT_GE(alone[0].size(), 3u * 512);

    // More threads than this machine may have cores: the streams interleave.
    const BatchOptions options{.codec = recorderVoiceCodec(), .threads = 4};
    std::vector<BatchResult> results = runConversionBatch(encodes, options);
    const std::vector<BatchResult> decoded = runConversionBatch(decodes, options);
    results.insert(results.end(), decoded.begin(), decoded.end());
    for (std::size_t i = 0; i < results.size(); ++i) {
        const BatchJob& job = i < encodes.size() ? encodes[i] : decodes[i - encodes.size()];
        EXPECT_TRUE(results[i].converted) << job.sourcePath;
        EXPECT_TRUE(readFile(job.destinationPath) == alone[i]) << job.destinationPath;
    }
}

TEST(RecorderCodecBatch, ABrokenFileBesideGoodOnesChangesNothingOfTheirs) {
    ScratchFolder folder;
    std::vector<BatchJob> jobs;
    for (int i = 0; i < 3; ++i) {
        const std::string name = "memo" + std::to_string(i);
        writeFile(folder.file(name + ".wav"), plainWave(speechLike(i, 2 * 4080)));
        jobs.push_back({folder.file(name + ".wav"), folder.file(name + "_SP.DVF")});
    }
    std::vector<Bytes> alone;
    for (const BatchJob& job : jobs) {
        ASSERT_EQ(runEncodeJob(singleJob(job)), 1);
        alone.push_back(readFile(job.destinationPath));
    }
    // Random bytes are no voice file; its decode fails beside the encodes.
    Bytes garbage(3 * 512);
    std::uint32_t seed = 7;
    for (auto& b : garbage) b = static_cast<std::uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
    writeFile(folder.file("noise.DVF"), garbage);
    jobs.insert(jobs.begin() + 1,
                {folder.file("noise.DVF"), folder.file("noise.WAV"), ConvertDirection::DvfToWav});

    const auto results = runConversionBatch(jobs, {.codec = recorderVoiceCodec(), .threads = 3});
    EXPECT_FALSE(results[1].converted);
    EXPECT_NE(results[1].message.find("is not a voice file"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder.file("noise.WAV")));
    for (std::size_t i : {0u, 2u, 3u}) {
        EXPECT_TRUE(results[i].converted) << i;
        EXPECT_TRUE(readFile(jobs[i].destinationPath) == alone[i == 0 ? 0 : i - 1]) << i;
    }
}
