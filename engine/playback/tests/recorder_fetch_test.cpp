// Fetching a recorder file for playing, against the recorder model: the copy
// arrives whole with progress, and a recorder unplugged during the fetch
// gives the program's message and leaves nothing behind to play.

#include "engine/playback/recorder_fetch.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "device_library/tests/temp_dir.h"
#include "engine/rules/listed_entry.h"
#include "engine/rules/rule_texts.h"
#include "platform/devio/direct_provider.h"
#include "recorder_model/recorder.h"
#include "recorder_model/sample_recordings.h"

namespace vox::playback {
namespace {

using devsys::testing::TempDir;

class RecorderFetchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        model::RecorderOptions options;
        options.capacityBytes = 16ull << 20;
        options.sampleContent = true;
        recorder_ = std::make_shared<model::Recorder>(options);
        auto provider = std::make_shared<devio::DirectProvider>();
        provider->attach(recorder_);
        previous_ = devio::installProvider(provider);
        ASSERT_EQ(CreateDev(&link_), 0);
        auto listing = std::make_unique<DeviceListing>();
        ASSERT_EQ(QVRefreshDevice(link_, listing.get(), "A", 0, STORE_MAIN), 1);
        const rules::RecorderListing folder = rules::listedFolder(*listing);
        const auto row = rules::findFile(folder, "Meeting with the design team.DVF");
        ASSERT_TRUE(row);
        meeting = folder.files[*row];
    }
    void TearDown() override {
        DestroyDev(link_);
        devio::installProvider(previous_);
    }

    TempDir cache;
    rules::ListedFile meeting;
    std::shared_ptr<model::Recorder> recorder_;
    std::shared_ptr<devio::Provider> previous_;
    DeviceContext* link_ = nullptr;
};

TEST_F(RecorderFetchTest, TheCopyArrivesWholeWithProgress) {
    std::uint32_t lastDone = 0;
    std::uint32_t total = 0;
    const FetchOutcome outcome = fetchForPlaying(link_, meeting, (cache / "voxerin").string(),
                                                 [&](std::uint32_t done, std::uint32_t all) {
                                                     lastDone = done;
                                                     total = all;
                                                 });
    ASSERT_TRUE(outcome.arrived()) << outcome.error;
    const std::span<const std::uint8_t> expected = model::sampleRecording("A/MEETING.DVF");
    EXPECT_EQ(TempDir::contentOf(cache / "voxerin/Meeting with the design team.DVF"),
              std::vector<std::uint8_t>(expected.begin(), expected.end()));
    EXPECT_EQ(outcome.path, (cache / "voxerin/Meeting with the design team.DVF").string());
    EXPECT_EQ(total, expected.size());
    EXPECT_EQ(lastDone, expected.size());
}

TEST_F(RecorderFetchTest, AnUnplugMidwayGivesTheProgramsMessageAndNoCopy) {
    recorder_->faults().unplugAfterBytes(4000);
    const FetchOutcome outcome =
        fetchForPlaying(link_, meeting, (cache / "voxerin").string(), nullptr);
    EXPECT_FALSE(outcome.arrived());
    EXPECT_EQ(outcome.error, rules::texts::kUsbFailed);
    EXPECT_TRUE(outcome.path.empty());
    EXPECT_TRUE(std::filesystem::is_empty(cache / "voxerin"));
}

TEST_F(RecorderFetchTest, ARecorderNameThatIsNoPlainFileNameIsRefused) {
    meeting.longName = "../evil";
    const FetchOutcome outcome =
        fetchForPlaying(link_, meeting, (cache / "voxerin").string(), nullptr);
    EXPECT_FALSE(outcome.arrived());
    EXPECT_FALSE(std::filesystem::exists(cache / "voxerin"));
}

}  // namespace
}  // namespace vox::playback
