// Every voice recording of a fresh simulated recorder is real speech that
// import --wav decodes and playbin plays to its end, and the recordings
// cover the three rates.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "gstreamer/dvf_stream.h"
#include "gstreamer/tests/dvf_files.h"
#include "gstreamer/tests/gst_harness.h"

namespace vox::dvf::testing {
namespace {

namespace fs = std::filesystem;
using voxctl::testing::readFile;

TEST(RecorderSamples, PlaybinPlaysEveryRecordingOfAFreshRecorder) {
    Workbench bench;
    auto& sandbox = bench.sandbox();
    ASSERT_EQ(sandbox.run({"sim", "create", sandbox.image()}).status, 0);
    const std::string imported = sandbox.pcPath("imported");
    const voxctl::testing::Finished import = sandbox.run({"import", "--wav", imported});
    ASSERT_EQ(import.status, 0) << import.err;

    std::set<Rate> rates;
    int recordings = 0;
    for (const auto& entry : fs::recursive_directory_iterator(imported)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".DVF") continue;
        const std::string path = entry.path().string();
        SCOPED_TRACE(path);
        fs::path wav = entry.path();
        EXPECT_TRUE(fs::exists(wav.replace_extension(".wav"))) << "import --wav decoded nothing";
        ++recordings;
        const std::string bytes = readFile(path);
        ASSERT_GE(bytes.size(), kBlockBytes);
        const auto rate = g729::announced_rate(reinterpret_cast<const std::uint8_t*>(bytes.data()));
        ASSERT_TRUE(rate) << "not a voice file";
        rates.insert(*rate);
        const std::vector<std::int16_t> expected = bench.voxctlDecode(path);
        const Played played = playWithPlaybin(path);
        EXPECT_EQ(played.error, "");
        EXPECT_TRUE(played.reachedEnd);
        EXPECT_EQ(played.samples.size(), samples_in_file(*rate, bytes.size()));
        EXPECT_TRUE(played.samples == expected) << "playbin's samples differ from voxctl's";
    }
    EXPECT_EQ(recordings, 7);
    EXPECT_EQ(rates.size(), 3u) << "the recordings do not cover every rate";
}

}  // namespace
}  // namespace vox::dvf::testing
