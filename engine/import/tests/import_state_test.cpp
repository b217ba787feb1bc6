// The record of imported recordings: what counts as the same recording, the
// file's round trip, damaged lines, whole-file replacement, and state files
// that are not what they should be.

#include "engine/import/import_state.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "engine/import/import_places.h"
#include "engine/import/state_choice.h"

namespace vox::importing {
namespace {

namespace fs = std::filesystem;

ImportedRecording memo(std::string name = "MEMO.DVF", std::uint32_t size = 1000) {
    return {"A", std::move(name), size, {2026, 12, 9, 14, 3, 8}, {}};
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

// A FIFO or a link to a device is refused at once, never waited on or read
// without end.
TEST(ImportStateTest, SpecialFilesAreRefusedWithoutBeingRead) {
    TempFolder folder;
    const std::string fifo = folder.path() + "/fifo.state";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string device = folder.path() + "/zero.state";
    fs::create_symlink("/dev/zero", device);
    for (const std::string& path : {fifo, device}) {
        std::string error;
        EXPECT_FALSE(ImportState::load(path, error));
        EXPECT_EQ(error, path + ": is not a plain file");
    }
}

TEST(ImportStateTest, AFileLargerThanAnyStateIsRefused) {
    TempFolder folder;
    const std::string huge = folder.path() + "/huge.state";
    std::ofstream(huge) << "voxerin import state 1\n";
    fs::resize_file(huge, ImportState::kMaxStateBytes + 1);
    std::string error;
    EXPECT_FALSE(ImportState::load(huge, error));
    EXPECT_EQ(error.rfind(huge + ": is larger than a state file can be", 0), 0u) << error;
    fs::resize_file(huge, ImportState::kMaxStateBytes);
    EXPECT_TRUE(ImportState::load(huge, error)) << error;
}

// A state file reached through a symbolic link is saved at the link's
// target: the link stays, and nothing of ours is left beside either.
TEST(ImportStateTest, SavingThroughALinkReplacesItsTarget) {
    TempFolder folder;
    fs::create_directory(folder.path() + "/real");
    const std::string target = folder.path() + "/real/x.state";
    const std::string link = folder.path() + "/x.state";
    ImportState first;
    first.add(memo());
    std::string error;
    ASSERT_TRUE(first.save(target, error)) << error;
    fs::create_symlink("real/x.state", link);
    auto loaded = ImportState::load(link, error);
    ASSERT_TRUE(loaded) << error;
    loaded->add(memo("TWO.DVF"));
    ASSERT_TRUE(loaded->save(link, error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    const auto again = ImportState::load(target, error);
    ASSERT_TRUE(again) << error;
    EXPECT_TRUE(again->contains(memo("TWO.DVF")));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path() + "/real"), {}), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 2);
}

// Two recordings that agree in all but content are both kept; a line of an
// older state file, without a checksum, still counts.
TEST(ImportStateTest, ChecksumsTellRecordingsApartAndOlderLinesStillCount) {
    ImportedRecording first = memo(), second = memo();
    first.checksum = "00000000000000aa";
    second.checksum = "00000000000000bb";
    ImportState state;
    state.add(first);
    state.add(second);
    state.add(second);
    const ImportState read =
        ImportState::parse(state.text() + "B\t5\t2026-12-09 14:03:08\tOLD.DVF\n" +
                           "B\t5\t2026-12-09 14:03:08\tnot-a-checksum\tBAD.DVF\n");
    EXPECT_EQ(read.checksumsOf(memo()),
              (std::vector<std::string>{"00000000000000aa", "00000000000000bb"}));
    ImportedRecording old{"B", "OLD.DVF", 5, {2026, 12, 9, 14, 3, 8}, {}};
    EXPECT_TRUE(read.contains(old));
    EXPECT_EQ(read.checksumsOf(old), std::vector<std::string>{""});
    EXPECT_EQ(read.skippedLines(), 1u);
    EXPECT_TRUE(read.checksumsOf(memo("OTHER.DVF")).empty());
}

TEST(ImportStateTest, StateFileNamesAreOnePlainName) {
    EXPECT_EQ(stateFileName("QZ-410T", 67108864), "QZ-410T-67108864.state");
    EXPECT_EQ(stateFileName("../x y", 1), ".._x_y-1.state");
    EXPECT_EQ(stateFileName("QZ-410T", 67108864, "00000000000000aa"),
              "QZ-410T-67108864-00000000000000aa.state");
}

TEST(ImportStateTest, AStateIsFoundByTheFirstRecordingsContentOnlyAmongItsModelAndCapacity) {
    TempFolder folder;
    const auto withSum = [](std::string name, std::string checksum) {
        ImportedRecording recording = memo(std::move(name));
        recording.checksum = std::move(checksum);
        return recording;
    };
    const auto saveState = [&folder](const std::string& name,
                                     const std::vector<ImportedRecording>& recordings) {
        ImportState state;
        for (const ImportedRecording& recording : recordings) state.add(recording);
        std::string error;
        ASSERT_TRUE(state.save(folder.path() + "/" + name, error)) << error;
    };
    const std::string sumA(16, 'a'), sumB(16, 'b'), sumC(16, 'c'), sumD(16, 'd');
    saveState("QZ-1-" + sumA + ".state", {withSum("A.DVF", sumA), withSum("C.DVF", sumC)});
    saveState("QZ-1.state", {memo("OLD.DVF")});                      // written before checksums
    saveState("QZ-2-" + sumB + ".state", {withSum("B.DVF", sumB)});  // another capacity
    saveState("QZ-1-" + sumD + ".state.12345678", {withSum("D.DVF", sumD)});  // not a state

    const auto choose = [&folder](const ImportedRecording& first) {
        const StateChoice choice = chooseStateFile(folder.path(), "QZ", 1, first);
        return std::make_pair(choice.name, choice.found);
    };
    // The first recording deleted: the next one's content finds the state.
    EXPECT_EQ(choose(withSum("C.DVF", sumC)), std::make_pair("QZ-1-" + sumA + ".state", true));
    EXPECT_EQ(choose(withSum("OLD.DVF", sumD)), std::make_pair(std::string("QZ-1.state"), true));
    EXPECT_EQ(choose(withSum("B.DVF", sumB)), std::make_pair("QZ-1-" + sumB + ".state", false));
    EXPECT_EQ(choose(withSum("D.DVF", sumD)), std::make_pair("QZ-1-" + sumD + ".state", false));
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
