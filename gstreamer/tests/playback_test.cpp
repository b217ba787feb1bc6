// Played through GStreamer, a recording gives the samples voxctl decodes it
// to, the duration the discoverer reports is theirs, and a seek lands on the
// samples a whole decode has at that time.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "gstreamer/dvf_stream.h"
#include "gstreamer/tests/dvf_files.h"
#include "gstreamer/tests/gst_harness.h"

namespace vox::dvf::testing {
namespace {

std::string decodebinPipeline(const std::string& path) {
    return "filesrc location=\"" + path +
           "\" ! decodebin ! appsink name=out sync=false "
           "caps=\"audio/x-raw, format=S16LE, rate=8000, channels=1\"";
}

class DvfPlayback : public ::testing::TestWithParam<RateSample> {
  protected:
    std::string path() const { return samplePath(GetParam().path); }
    Workbench bench;
};

TEST_P(DvfPlayback, DecodebinGivesVoxctlsSamples) {
    const std::vector<std::int16_t> expected = bench.voxctlDecode(path());
    ASSERT_FALSE(expected.empty());
    const Played played = play(decodebinPipeline(path()));
    EXPECT_EQ(played.error, "");
    EXPECT_TRUE(played.reachedEnd);
    EXPECT_EQ(played.firstTime, 0u);
    ASSERT_EQ(played.samples.size(), expected.size());
    EXPECT_TRUE(played.samples == expected) << "the samples differ";
}

TEST_P(DvfPlayback, DiscovererDurationIsTheDecodedLength) {
    const std::vector<std::int16_t> expected = bench.voxctlDecode(path());
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(discoveredDuration(path()), timeOfSample(expected.size()));
    // A file cut inside its last block lasts to the end of that block, as
    // the decoder reads it with zeros after the cut.
    const std::string whole = voxctl::testing::readFile(path());
    const std::string cut = bench.put("cut.DVF", whole.substr(0, whole.size() - 100));
    const std::vector<std::int16_t> cutSamples = bench.voxctlDecode(cut);
    EXPECT_EQ(cutSamples.size(), expected.size());
    EXPECT_EQ(discoveredDuration(cut), timeOfSample(cutSamples.size()));
}

TEST_P(DvfPlayback, SeeksLandOnTheSamplesOfAWholeDecode) {
    const Rate rate = GetParam().rate;
    const std::vector<std::int16_t> whole = bench.voxctlDecode(path());
    ASSERT_GT(whole.size(), first_sample_of_block(rate, 8));
    std::vector<std::uint64_t> targets = {
        1,                                   // inside the first block
        first_sample_of_block(rate, 1),      // the second block's first sample
        first_sample_of_block(rate, 2) - 1,  // the last sample of a block
        whole.size() - 500,                  // in the last block
    };
    // and every 0.37 s, through speech and pauses
    for (std::uint64_t target = 2960; target < whole.size(); target += 2960)
        targets.push_back(target);
    constexpr std::size_t kCompared = 2000;
    for (std::uint64_t target : targets) {
        SCOPED_TRACE("seek to sample " + std::to_string(target));
        const Played played = play(decodebinPipeline(path()), timeOfSample(target), kCompared);
        ASSERT_EQ(played.error, "");
        EXPECT_EQ(played.firstTime, timeOfSample(target));
        const std::size_t compared =
            std::min<std::size_t>({kCompared, played.samples.size(), whole.size() - target});
        EXPECT_GE(played.samples.size(), compared);
        const std::vector<std::int16_t> expected(
            whole.begin() + static_cast<long>(target),
            whole.begin() + static_cast<long>(target + compared));
        const std::vector<std::int16_t> got(played.samples.begin(),
                                            played.samples.begin() + static_cast<long>(compared));
        EXPECT_TRUE(got == expected) << "the samples after the seek differ";
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, DvfPlayback, ::testing::ValuesIn(kRateSamples),
                         [](const auto& info) {
                             return "at" + std::to_string(bit_rate(info.param.rate));
                         });

}  // namespace
}  // namespace vox::dvf::testing
