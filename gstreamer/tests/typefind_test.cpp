// The type finder claims voice files at each rate by their content, and
// nothing else whatever its name.
#include <gtest/gtest.h>

#include <random>

#include "gstreamer/dvf_stream.h"
#include "gstreamer/tests/dvf_files.h"
#include "gstreamer/tests/gst_harness.h"

namespace vox::dvf::testing {
namespace {

using voxctl::testing::readFile;

std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random());
    return bytes;
}

std::string dvfCaps(Rate rate) {
    return "audio/x-dvf, bitrate=(int)" + std::to_string(bit_rate(rate)) +
           ", rate=(int)8000, channels=(int)1";
}

// An MPEG-1 layer III stream: frames of 417 bytes at 128 kbit/s, 44.1 kHz.
std::string mp3Frames() {
    std::string frame(417, '\0');
    frame[0] = '\xff';
    frame[1] = '\xfb';
    frame[2] = '\x90';
    frame[3] = '\x64';
    std::string stream;
    for (int i = 0; i < 30; ++i) stream += frame;
    return stream;
}

TEST(DvfTypeFinder, FindsEachRateByContentWhateverTheName) {
    Workbench bench;
    for (const RateSample& sample : kRateSamples) {
        SCOPED_TRACE(sample.path);
        const std::string bytes = readFile(samplePath(sample.path));
        EXPECT_EQ(typeOf(samplePath(sample.path)), dvfCaps(sample.rate));
        EXPECT_EQ(typeOf(bench.put("recording", bytes)), dvfCaps(sample.rate));
        EXPECT_EQ(typeOf(bench.put("song.mp3", bytes)), dvfCaps(sample.rate));
        // A recording of one block, as a short press of the button makes.
        EXPECT_EQ(typeOf(bench.put("short.DVF", bytes.substr(0, kBlockBytes))),
                  dvfCaps(sample.rate));
    }
}

TEST(DvfTypeFinder, RefusesOtherFilesEvenNamedDvf) {
    Workbench bench;
    const std::vector<std::int16_t> speech = bench.voxctlDecode(samplePath(kRateSamples[1].path));
    ASSERT_FALSE(speech.empty());
    const std::string wav = readFile(bench.sandbox().pcPath("decoded/0.WAV"));
    EXPECT_EQ(typeOf(bench.put("speech.DVF", wav)).rfind("audio/x-wav", 0), 0u);
    EXPECT_EQ(typeOf(bench.put("song.DVF", mp3Frames())).rfind("audio/mpeg", 0), 0u);
    for (const char* name : {"noise.DVF", "noise"}) {
        EXPECT_EQ(typeOf(bench.put(name, randomBytes(8192, 1))), "") << name;
    }
    EXPECT_EQ(typeOf(bench.put("empty.DVF", "")), "");
}

TEST(DvfTypeFinder, RefusesHeadersWithoutVoiceBlocksBehindThem) {
    Workbench bench;
    for (const RateSample& sample : kRateSamples) {
        SCOPED_TRACE(sample.path);
        const std::string bytes = readFile(samplePath(sample.path));
        // Less than one block: the encoder never writes one.
        EXPECT_EQ(typeOf(bench.put("cut.DVF", bytes.substr(0, 300))), "");
        if (sample.rate == Rate::k6400) continue;  // its blocks carry no checks
        // A block header followed by noise: the parity bits disagree.
        const std::size_t header = sample.rate == Rate::k8000 ? 2 : 8;
        const std::string noise = randomBytes(4 * kBlockBytes, 2);
        std::string forged;
        for (std::size_t block = 0; block < 4; ++block) {
            forged += bytes.substr(0, header) +
                      noise.substr(block * kBlockBytes + header, kBlockBytes - header);
        }
        EXPECT_EQ(typeOf(bench.put("forged.DVF", forged)), "");
        EXPECT_EQ(typeOf(bench.put("forged-one.DVF", forged.substr(0, kBlockBytes))), "");
    }
}

}  // namespace
}  // namespace vox::dvf::testing
