#include <gtest/gtest.h>

#include "engine/conversion/tests/wave_bytes.h"
#include "engine/conversion/wav_reader.h"
#include "engine/conversion/wav_writer.h"

using namespace vox::conversion;
using namespace vox::conversion::testing;

namespace {

std::optional<WaveLayout> layoutOf(const Bytes& bytes) {
    return readWaveLayout(bytes.data(), bytes.size());
}

}  // namespace

TEST(WavReader, FindsFormatAndDataAmongOtherChunksInAnyOrder) {
    const Bytes data = rampBytes(100);
    const Bytes list = chunk("LIST", Bytes(7, 'x'));  // odd size: padded
    const Bytes file = riff(
        {chunk("data", data), list, chunk("fmt ", formatBody({})), chunk("fact", Bytes(4, 0))});
    const auto layout = layoutOf(file);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->dataOffset, 20u);
    EXPECT_EQ(layout->dataSize, 100u);
    EXPECT_EQ(layout->audioBytes(), 100u);
    EXPECT_EQ(layout->format.channels, 1);
    EXPECT_EQ(layout->format.samplesPerSec, 8000u);
    EXPECT_EQ(layout->format.avgBytesPerSec, 16000u);
    EXPECT_EQ(layout->format.bitsPerSample, 16);
    EXPECT_EQ(layout->format.extraSize, 0);  // a 16-byte record has none

    const auto afterPad = layoutOf(
        riff({chunk("junk", Bytes(3, 1)), chunk("fmt ", formatBody({})), chunk("data", data)}));
    ASSERT_TRUE(afterPad);
    EXPECT_EQ(afterPad->dataOffset, 12u + 12u + 24u + 8u);
}

TEST(WavReader, ReadsOnlyTheFirst18BytesOfALongFormatRecord) {
    Bytes body = formatBody(
        {.tag = 0xFFFE, .channels = 1, .rate = 8000, .avgBytes = 16000, .align = 2, .bits = 24});
    put16(body, 22);
    body.resize(40, 0xEE);
    const auto layout = layoutOf(riff({chunk("fmt ", body), chunk("data", rampBytes(4))}));
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->format.formatTag, 0xFFFE);
    EXPECT_EQ(layout->format.extraSize, 22);
    EXPECT_TRUE(isConvertibleWave(*layout));  // tag and bits are not tested
}

TEST(WavReader, AcceptsOnlyMono8kHz16000BytesPerSecondWithAudio) {
    EXPECT_TRUE(isConvertibleWave(*layoutOf(plainWave(rampBytes(10)))));
    EXPECT_TRUE(isConvertibleWave(*layoutOf(plainWave(rampBytes(10), {.tag = 3, .bits = 8}))));
    EXPECT_FALSE(isConvertibleWave(*layoutOf(plainWave(rampBytes(10), {.channels = 2}))));
    EXPECT_FALSE(isConvertibleWave(*layoutOf(plainWave(rampBytes(10), {.rate = 11025}))));
    EXPECT_FALSE(isConvertibleWave(*layoutOf(plainWave(rampBytes(10), {.avgBytes = 8000}))));
    EXPECT_FALSE(isConvertibleWave(*layoutOf(plainWave({}))));
}

TEST(WavReader, RefusesFilesThatAreNotRiffWaveOrLackAChunk) {
    Bytes notRiff = plainWave(rampBytes(10));
    notRiff[0] = 'X';
    Bytes notWave = plainWave(rampBytes(10));
    notWave[8] = 'A';
    EXPECT_FALSE(layoutOf(notRiff));
    EXPECT_FALSE(layoutOf(notWave));
    EXPECT_FALSE(layoutOf(riff({chunk("fmt ", formatBody({}))})));
    EXPECT_FALSE(layoutOf(riff({chunk("data", rampBytes(10))})));
    EXPECT_FALSE(layoutOf(Bytes{'R', 'I', 'F', 'F'}));
    EXPECT_FALSE(layoutOf(Bytes{}));
}

TEST(WavReader, HostileSizesStayInsideTheFile) {
    // A chunk claiming more than the file hides everything after it.
    Bytes hugeJunk = riff(
        {chunk("junk", Bytes(4, 0)), chunk("fmt ", formatBody({})), chunk("data", rampBytes(8))});
    hugeJunk[16] = hugeJunk[17] = hugeJunk[18] = hugeJunk[19] = 0xFF;
    EXPECT_FALSE(layoutOf(hugeJunk));

    // A data chunk claiming more than is there gives the bytes present.
    Bytes longData = plainWave(rampBytes(8));
    longData[40] = longData[41] = longData[42] = longData[43] = 0xFF;
    const auto layout = layoutOf(longData);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->dataSize, 0xFFFFFFFFu);
    EXPECT_EQ(layout->audioBytes(), 8u);
    Bytes headerOnly = plainWave({});
    headerOnly[40] = 100;  // claims 100 bytes, holds none
    EXPECT_FALSE(isConvertibleWave(*layoutOf(headerOnly)));

    // Truncated inside the format record: what is there is read, no more.
    Bytes cut = plainWave(rampBytes(8));
    cut.resize(26);
    EXPECT_FALSE(layoutOf(cut));

    // A RIFF size smaller than the file limits the search.
    Bytes shortRiff = plainWave(rampBytes(8));
    shortRiff[4] = 4 + 24;
    shortRiff[5] = shortRiff[6] = shortRiff[7] = 0;
    EXPECT_FALSE(layoutOf(shortRiff));
}

TEST(WavReader, ReadsFromAFileLikeFromMemory) {
    ScratchFolder folder;
    const Bytes bytes = riff({chunk("LIST", Bytes(6, 'a')), chunk("fmt ", formatBody({})),
                              chunk("data", rampBytes(30))});
    writeFile(folder.file("a.wav"), bytes);
    std::FILE* file = std::fopen(folder.file("a.wav").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    const auto fromFile = readWaveLayout(file);
    std::fclose(file);
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(fromFile->dataOffset, layoutOf(bytes)->dataOffset);
    EXPECT_EQ(fromFile->fileLength, bytes.size());
}

TEST(WavWriter, WritesThe46ByteHeaderAndFillsBothSizesAtClose) {
    ScratchFolder folder;
    const std::string path = folder.file("out.wav");
    WavWriter writer;
    ASSERT_TRUE(writer.open(path));
    EXPECT_EQ(readFile(path).size(), kWavHeaderBytes);  // header flushed at once
    const std::int16_t first[3] = {1, -2, 0x1234};
    const std::int16_t second[1] = {-32768};
    ASSERT_TRUE(writer.append(first, 3));
    ASSERT_TRUE(writer.append(second, 1));
    ASSERT_TRUE(writer.close());
    EXPECT_FALSE(writer.append(first, 1));  // closed

    const Bytes bytes = readFile(path);
    Bytes expected{'R', 'I', 'F', 'F'};
    put32(expected, 46 - 8 + 8);
    for (char c : std::string("WAVEfmt ")) expected.push_back(static_cast<std::uint8_t>(c));
    put32(expected, 18);
    for (std::uint16_t v : {1, 1}) put16(expected, v);
    put32(expected, 8000);
    put32(expected, 16000);
    for (std::uint16_t v : {2, 16, 0}) put16(expected, v);
    for (char c : std::string("data")) expected.push_back(static_cast<std::uint8_t>(c));
    put32(expected, 8);
    for (std::uint16_t v : {1, 0xFFFE, 0x1234, 0x8000}) put16(expected, v);
    EXPECT_EQ(bytes, expected);

    const auto layout = readWaveLayout(bytes.data(), bytes.size());
    ASSERT_TRUE(layout);
    EXPECT_TRUE(isConvertibleWave(*layout));
    EXPECT_EQ(layout->dataOffset, kWavHeaderBytes);
}

TEST(WavWriter, FailsCleanlyWhereItCannotWrite) {
    WavWriter writer;
    EXPECT_FALSE(writer.open("/nonexistent-folder/x.wav"));
    const std::int16_t sample = 0;
    EXPECT_FALSE(writer.append(&sample, 1));
    EXPECT_FALSE(writer.close());
}
