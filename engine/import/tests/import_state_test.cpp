// The record of imported recordings: what counts as the same recording, the
// file's round trip, damaged lines, and whole-file replacement.

#include "engine/import/import_state.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "engine/import/import_places.h"

namespace vox::importing {
namespace {

namespace fs = std::filesystem;

ImportedRecording memo(std::string name = "MEMO.DVF", std::uint32_t size = 1000) {
    return {"A", std::move(name), size, {2026, 12, 9, 14, 3, 8}};
}

class TempFolder {
  public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "import-state-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempFolder() { fs::remove_all(path_); }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

TEST(ImportStateTest, ARecordingIsTheSameOnlyWhenFolderNameSizeAndDateAgree) {
    ImportState state;
    state.add(memo());
    EXPECT_TRUE(state.contains(memo()));
    EXPECT_FALSE(state.contains(memo("MEMO2.DVF")));
    EXPECT_FALSE(state.contains(memo("MEMO.DVF", 1001)));
    ImportedRecording otherFolder = memo();
    otherFolder.folder = "B";
    EXPECT_FALSE(state.contains(otherFolder));
    ImportedRecording later = memo();
    later.date.second = 10;
    EXPECT_FALSE(state.contains(later));
}

TEST(ImportStateTest, AnyNameSurvivesTheFile) {
    ImportState state;
    for (const char* name : {"tab\there.DVF", "new\nline.DVF", "back\\slash\\t.DVF",
                             "\xC3\xA9t\xC3\xA9.DVF", "cr\r.DVF"})
        state.add(memo(name));
    const ImportState again = ImportState::parse(state.text());
    EXPECT_EQ(again.recordings(), state.recordings());
    EXPECT_EQ(again.skippedLines(), 0u);
}

TEST(ImportStateTest, DamagedLinesAreSkippedAndCounted) {
    ImportState state;
    state.add(memo());
    const std::string text =
        state.text() + "A\tnot-a-size\t2026-12-09 14:03:08\tX\n" +
        "A\t12\tyesterday\tX\ntruncated line\nA\t5\t2026-01-01 00:00:00\tbad\\q\n" +
        "A\t99999999999\t2026-01-01 00:00:00\tX\n";
    const ImportState read = ImportState::parse(text);
    EXPECT_EQ(read.recordings(), state.recordings());
    EXPECT_EQ(read.skippedLines(), 5u);
}

TEST(ImportStateTest, SavingReplacesTheFileWholeAndLeavesNothingBeside) {
    TempFolder folder;
    const std::string path = folder.path() + "/r.state";
    std::string error;
    auto missing = ImportState::load(path, error);
    ASSERT_TRUE(missing) << error;
    EXPECT_TRUE(missing->recordings().empty());

    ImportState state;
    state.add(memo());
    ASSERT_TRUE(state.save(path, error)) << error;
    state.add(memo("SECOND.DVF"));
    ASSERT_TRUE(state.save(path, error)) << error;
    const auto loaded = ImportState::load(path, error);
    ASSERT_TRUE(loaded) << error;
    EXPECT_EQ(loaded->recordings(), state.recordings());
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST(ImportStateTest, AFailedSaveLeavesNothingBehind) {
    TempFolder folder;
    // A folder in the state file's place cannot be replaced by a file.
    const std::string path = folder.path() + "/r.state";
    fs::create_directory(path);
    std::ofstream(path + "/inside") << "kept";
    ImportState state;
    state.add(memo());
    std::string error;
    EXPECT_FALSE(state.save(path, error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
    EXPECT_TRUE(fs::is_regular_file(path + "/inside"));
    // A state folder that is not there is a failure too, not an empty save.
    EXPECT_FALSE(state.save(folder.path() + "/missing/r.state", error));
}

TEST(ImportStateTest, StateFileNamesAreOnePlainName) {
    EXPECT_EQ(stateFileName("QZ-410T", 67108864), "QZ-410T-67108864.state");
    EXPECT_EQ(stateFileName("../x y", 1), ".._x_y-1.state");
}

TEST(ImportPlacesTest, FoldersFollowTheXdgSettings) {
    TempFolder folder;
    ::setenv("HOME", folder.path().c_str(), 1);
    ::unsetenv("XDG_MUSIC_DIR");
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(defaultImportFolder(), folder.path() + "/Music/Voice recorder");
    EXPECT_EQ(stateFolder(), folder.path() + "/.local/state/voxerin");
    fs::create_directories(folder.path() + "/.config");
    std::ofstream(folder.path() + "/.config/user-dirs.dirs")
        << "# comment\nXDG_MUSIC_DIR=\"$HOME/Musik\"\n";
    EXPECT_EQ(defaultImportFolder(), folder.path() + "/Musik/Voice recorder");
    ::setenv("XDG_STATE_HOME", "relative/ignored", 1);
    EXPECT_EQ(stateFolder(), folder.path() + "/.local/state/voxerin");
    ::setenv("XDG_STATE_HOME", (folder.path() + "/st").c_str(), 1);
    EXPECT_EQ(stateFolder(), folder.path() + "/st/voxerin");
    std::string error;
    EXPECT_TRUE(makeFolders(stateFolder(), error)) << error;
    EXPECT_TRUE(fs::is_directory(stateFolder()));
}

}  // namespace
}  // namespace vox::importing
