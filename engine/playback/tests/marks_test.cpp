// Marks kept beside, never inside, the recording: added, read back in time
// order by a later session, removed, and quoted as transcripts quote times.

#include "engine/playback/marks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "device_library/tests/temp_dir.h"

namespace vox::playback {
namespace {

using devsys::testing::TempDir;

TEST(Marks, AreKeptPerRecordingAndReadBackInTimeOrder) {
    TempDir state;
    const std::string folder = (state / "marks").string();
    {
        Marks marks(folder, "/home/ann/interview.wav");
        ASSERT_TRUE(marks.load());
        EXPECT_TRUE(marks.all().empty());
        ASSERT_TRUE(marks.add(65000));
        ASSERT_TRUE(marks.add(1500));
        ASSERT_TRUE(marks.add(65000));
    }
    Marks again(folder, "/home/ann/interview.wav");
    ASSERT_TRUE(again.load());
    EXPECT_EQ(again.all(), (std::vector<std::uint64_t>{1500, 65000}));
    ASSERT_TRUE(again.remove(1500));
    Marks third(folder, "/home/ann/interview.wav");
    ASSERT_TRUE(third.load());
    EXPECT_EQ(third.all(), (std::vector<std::uint64_t>{65000}));

    // Another recording has marks of its own; only side files are made.
    Marks other(folder, "recorder:A/VOICE001.DVF:3584");
    ASSERT_TRUE(other.load());
    EXPECT_TRUE(other.all().empty());
    EXPECT_NE(other.file(), again.file());
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        EXPECT_EQ(entry.path().extension(), ".marks");
}

TEST(Marks, ASideFileThatIsNotOursIsNotTakenForMarks) {
    TempDir state;
    std::filesystem::create_directory(state / "side");
    Marks marks((state / "side").string(), "x.wav");
    std::ofstream(marks.file()) << "120\nnot a time\n";
    EXPECT_FALSE(marks.load());
    // A folder that cannot be made: adding says so.
    Marks nowhere((state / "file").string() + "/marks", "x.wav");
    std::ofstream(state / "file") << "x";
    EXPECT_FALSE(nowhere.add(5));
}

TEST(Marks, QuoteTheirTimeAsHoursMinutesSeconds) {
    EXPECT_EQ(markText(0), "[00:00:00]");
    EXPECT_EQ(markText(65999), "[00:01:05]");
    EXPECT_EQ(markText((10 * 3600 + 2 * 60 + 3) * 1000ull), "[10:02:03]");
}

}  // namespace
}  // namespace vox::playback
