// Truncated, damaged and garbage files end a pipeline with its end or an
// error, never a crash; what plays of a damaged recording is what voxctl
// decodes of it.
#include <gtest/gtest.h>

#include <random>

#include "gstreamer/dvf_stream.h"
#include "gstreamer/tests/dvf_files.h"
#include "gstreamer/tests/gst_harness.h"

namespace vox::dvf::testing {
namespace {

using voxctl::testing::readFile;

std::string scribbled(std::string bytes, std::size_t from, std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    for (std::size_t i = from; i < std::min(bytes.size(), from + count); ++i)
        bytes[i] = static_cast<char>(random());
    return bytes;
}

std::string parsedPipeline(const std::string& path) {
    return "filesrc location=\"" + path + "\" ! dvfparse ! dvfdec ! appsink name=out sync=false";
}

// Plays `path` through the plugin's parser and decoder and, where that ends
// well, compares with voxctl.
void expectVoxctlsSamples(Workbench& bench, const std::string& path) {
    const Played played = play(parsedPipeline(path));
    const std::vector<std::int16_t> expected = bench.voxctlDecode(path);
    if (!played.reachedEnd) {
        EXPECT_NE(played.error, "");
        EXPECT_TRUE(expected.empty()) << "voxctl decodes what the plugin refused";
        return;
    }
    EXPECT_EQ(played.samples.size(), expected.size());
    EXPECT_TRUE(played.samples == expected) << "the samples differ";
}

TEST(DvfDamagedFiles, DamagedRecordingsPlayWhatVoxctlDecodes) {
    Workbench bench;
    for (const RateSample& sample : kRateSamples) {
        SCOPED_TRACE(sample.path);
        const std::string whole = readFile(samplePath(sample.path));
        ASSERT_GT(whole.size(), 6 * kBlockBytes);
        const std::string cases[] = {
            whole.substr(0, 3 * kBlockBytes + 100),          // cut inside a block
            whole.substr(0, 3 * kBlockBytes + 1),            // one byte of a block
            scribbled(whole, 2 * kBlockBytes, 8, 1),         // a block's header
            scribbled(whole, 3 * kBlockBytes + 40, 200, 2),  // frames of a block
            scribbled(whole, kBlockBytes, whole.size(), 3),  // all but the first block
        };
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            SCOPED_TRACE("case " + std::to_string(i));
            expectVoxctlsSamples(bench, bench.put("damaged.DVF", cases[i]));
        }
    }
}

TEST(DvfDamagedFiles, GarbageEndsInAnErrorNotACrash) {
    Workbench bench;
    std::mt19937 random(7);
    for (std::size_t size :
         {std::size_t{0}, std::size_t{1}, std::size_t{511}, kBlockBytes, std::size_t{20000}}) {
        SCOPED_TRACE(std::to_string(size) + " bytes");
        std::string garbage(size, '\0');
        for (char& byte : garbage) byte = static_cast<char>(random());
        const std::string path = bench.put("garbage.DVF", garbage);
        const Played parsed = play(parsedPipeline(path));
        EXPECT_TRUE(parsed.samples.empty());
        EXPECT_NE(parsed.error, "") << "garbage passed for a voice file";
        const Played decoded =
            play("filesrc location=\"" + path + "\" ! decodebin ! appsink name=out sync=false");
        EXPECT_TRUE(decoded.samples.empty());
        EXPECT_NE(decoded.error, "");
    }
}

}  // namespace
}  // namespace vox::dvf::testing
