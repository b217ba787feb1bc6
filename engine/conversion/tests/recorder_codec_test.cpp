#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/conversion/conversion_job.h"
#include "engine/conversion/tests/wave_bytes.h"
#include "engine/conversion/wav_reader.h"
#include "engine/conversion/wav_writer.h"

using namespace vox::conversion;
using namespace vox::conversion::testing;

// WAV -> DVF -> WAV with the recorder's coder, at every quality: the block
// counts of the DVF file and the sample count the decoder gives back.
TEST(RecorderCodecConversion, EveryQualityConvertsThereAndBack) {
    ScratchFolder folder;
    Bytes data;
    for (int i = 0; i < 8000; ++i) {
        const auto sample = static_cast<std::int16_t>((i % 40 < 20 ? 1 : -1) * 3000);
        put16(data, static_cast<std::uint16_t>(sample));
    }
    writeFile(folder.file("tone.wav"), plainWave(data));
    struct Expect {
        int quality;
        std::size_t blocks;
        std::size_t samples;
    };
    // 16,000 data bytes: ceil(16000 / (2 x samples per call)) blocks.
    for (const Expect& e :
         {Expect{0, 2, 63 * 80 + 64 * 80}, Expect{1, 2, 2 * 51 * 80}, Expect{2, 4, 4 * 28 * 80}}) {
        ConversionJob job;
        job.codec = recorderVoiceCodec();
        job.yieldAfterBlock = std::chrono::milliseconds(0);
        job.quality = e.quality;
        job.sourcePath = folder.file("tone.wav");
        job.destinationPath = folder.file("tone.DVF");
        ASSERT_EQ(runEncodeJob(job), 1);
        EXPECT_EQ(readFile(job.destinationPath).size(), 512 * e.blocks) << e.quality;

        job.sourcePath = job.destinationPath;
        job.destinationPath = folder.file("tone.WAV");
        ASSERT_EQ(runDecodeJob(job), 1);
        const Bytes wave = readFile(job.destinationPath);
        const auto layout = readWaveLayout(wave.data(), wave.size());
        ASSERT_TRUE(layout);
        EXPECT_EQ(layout->dataSize, 2 * e.samples) << e.quality;
        // The tone comes back: not silence.
        long energy = 0;
        for (std::size_t i = kWavHeaderBytes + 2000; i + 1 < wave.size(); i += 2) {
            const auto s = static_cast<std::int16_t>(wave[i] | wave[i + 1] << 8);
            energy += std::abs(s);
        }
        EXPECT_GT(energy / static_cast<long>(e.samples), 300) << e.quality;
    }
}

// Damaged voice files: what can be decoded is written, with correct sizes.
TEST(RecorderCodecConversion, TruncatedVoiceFilesGivePartialWavesAndRandomOnesNone) {
    ScratchFolder folder;
    writeFile(folder.file("talk.wav"), plainWave(rampBytes(3 * 8160)));
    ConversionJob job;
    job.codec = recorderVoiceCodec();
    job.yieldAfterBlock = std::chrono::milliseconds(0);
    job.sourcePath = folder.file("talk.wav");
    job.destinationPath = folder.file("talk.DVF");
    ASSERT_EQ(runEncodeJob(job), 1);
    Bytes dvf = readFile(job.destinationPath);
    ASSERT_EQ(dvf.size(), 3u * 512);

    struct Case {
        const char* name;
        Bytes bytes;
        std::uint32_t dataBytes;
    };
    Bytes garbage(4 * 512);
    std::uint32_t seed = 1;
    for (auto& b : garbage) b = static_cast<std::uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
    Bytes cutInHeader(dvf.begin(), dvf.begin() + 512 + 1);
    Bytes cutInFrames(dvf.begin(), dvf.begin() + 2 * 512 + 300);
    // Random bytes are not a voice file: a message, and no wave at all.
    writeFile(folder.file("random.dvf"), garbage);
    job.sourcePath = folder.file("random.dvf");
    job.destinationPath = folder.file("random.WAV");
    std::string shown;
    job.showMessage = [&shown](const std::string& text) { shown = text; };
    EXPECT_EQ(runDecodeJob(job), 0);
    EXPECT_FALSE(std::filesystem::exists(job.destinationPath));
    EXPECT_EQ(shown,
              "\"" + job.sourcePath + "\" is not a voice file: it has no valid first block.");

    const Case cases[] = {
        // The second block's header is cut to one byte: not a block of the stream.
        {"header", cutInHeader, 2 * 4080},
        // The third block's missing frames decode from padding: still 51 frames.
        {"frames", cutInFrames, 3 * 2 * 4080},
    };
    for (const Case& c : cases) {
        writeFile(folder.file("bad.dvf"), c.bytes);
        job.sourcePath = folder.file("bad.dvf");
        job.destinationPath = folder.file("bad.WAV");
        EXPECT_EQ(runDecodeJob(job), 1) << c.name;
        const Bytes wave = readFile(job.destinationPath);
        const auto layout = readWaveLayout(wave.data(), wave.size());
        ASSERT_TRUE(layout) << c.name;
        EXPECT_EQ(layout->dataSize, c.dataBytes) << c.name;
        EXPECT_EQ(wave.size(), kWavHeaderBytes + c.dataBytes) << c.name;
    }
}
