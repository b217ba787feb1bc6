// The PC pane's file operations: the path lists' exact growth, renaming
// without replacing anything, deleting to the desktop trash of the user's
// (temporary) home, copying and moving, and names that are not valid text.

#include "application/panes/shell_file_operation.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "application/core/tests/support/recording_message_boxes.h"
#include "application/panes/desktop_trash.h"
#include "application/panes/folder_entries.h"
#include "application/panes/tests/temporary_home.h"

namespace vox::panes {
namespace {

using vox::app::BoxAnswer;
using vox::app::testing::RecordingMessageBoxes;

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

class FileOperationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(home.valid());
        folder = home.path() + "work/";
        ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
        trash = home.trash();
    }

    vox::testing::TemporaryHome home;
    std::string folder;
    std::string trash;
    RecordingMessageBoxes boxes;
};

TEST(PathList, GrowsToExactlyWhatEachPathNeeds) {
    PathList list;
    EXPECT_EQ(list.capacity(), 0u);
    list.append("ab");
    EXPECT_EQ(list.capacity(), 4u);  // "ab", its NUL and the closing NUL
    EXPECT_EQ(list.used(), 3u);
    list.append("cde");
    EXPECT_EQ(list.capacity(), 8u);
    EXPECT_EQ(list.used(), 7u);
    EXPECT_EQ(std::string(list.data(), 8), std::string("ab\0cde\0\0", 8));
    EXPECT_EQ(list.paths(), (std::vector<std::string>{"ab", "cde"}));
    list.reserve(20);
    EXPECT_EQ(list.capacity(), 21u);
    list.append("f");
    EXPECT_EQ(list.capacity(), 21u);
    list.reserve(2);  // smaller than what it holds: nothing is dropped
    EXPECT_EQ(list.paths(), (std::vector<std::string>{"ab", "cde", "f"}));
    list.clear();
    EXPECT_EQ(list.capacity(), 0u);
    EXPECT_TRUE(list.paths().empty());
}

TEST_F(FileOperationTest, RenameNeverReplacesAnotherFileButChangesCase) {
    writeFile(folder + "a.txt", "A");
    writeFile(folder + "b.txt", "B");
    EXPECT_NE(ShellFileOperation::runOne(nullptr, FileOperation::Rename, folder + "a.txt",
                                         folder + "b.txt", 0, {}),
              0);
    EXPECT_EQ(readFile(folder + "b.txt"), "B");
    EXPECT_EQ(readFile(folder + "a.txt"), "A");
    ASSERT_EQ(boxes.shown.size(), 1u);  // the failure is told
    EXPECT_EQ(ShellFileOperation::runOne(nullptr, FileOperation::Rename, folder + "a.txt",
                                         folder + "A.TXT", 0, {}),
              0);
    EXPECT_EQ(readFile(folder + "A.TXT"), "A");
    EXPECT_FALSE(exists(folder + "a.txt"));
}

TEST_F(FileOperationTest, DeleteAsksOnceAndMovesEveryItemToTheTrash) {
    writeFile(folder + "one.wav", "1");
    ASSERT_EQ(::mkdir((folder + "sub").c_str(), 0700), 0);
    writeFile(folder + "sub/inner", "2");
    writeFile(folder + "stay", "3");
    ShellFileOperation op;
    op.source().append(folder + "one.wav");
    op.source().append(folder + "sub");
    op.setFlags(kAllowUndo | kMultiDestFiles);
    boxes.answers = {BoxAnswer::Yes};
    EXPECT_EQ(op.run(FileOperation::Delete), 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              QStringLiteral("Do you want to move these 2 item(s) to the trash?"));
    EXPECT_EQ(readFile(trash + "files/one.wav"), "1");
    EXPECT_EQ(readFile(trash + "files/sub/inner"), "2");
    const std::string info = readFile(trash + "info/one.wav.trashinfo");
    EXPECT_NE(info.find("[Trash Info]\nPath=" + folder + "one.wav\nDeletionDate="),
              std::string::npos);
    EXPECT_TRUE(exists(trash + "info/sub.trashinfo"));
    EXPECT_FALSE(exists(folder + "one.wav"));
    EXPECT_EQ(readFile(folder + "stay"), "3");
}

TEST_F(FileOperationTest, DeclinedDeleteChangesNothing) {
    writeFile(folder + "keep", "k");
    ShellFileOperation op;
    op.source().append(folder + "keep");
    op.setFlags(kAllowUndo);
    boxes.answers = {BoxAnswer::No};
    EXPECT_NE(op.run(FileOperation::Delete), 0);
    EXPECT_EQ(readFile(folder + "keep"), "k");
    EXPECT_FALSE(exists(trash + "files/keep"));
}

TEST_F(FileOperationTest, SameNameInTheTrashGetsANumberAndNeitherIsLost) {
    for (const char* content : {"first", "second"}) {
        writeFile(folder + "note", content);
        std::string error;
        ASSERT_TRUE(moveToDesktopTrash(folder + "note", error)) << error;
    }
    EXPECT_EQ(readFile(trash + "files/note"), "first");
    EXPECT_EQ(readFile(trash + "files/note.2"), "second");
    EXPECT_TRUE(exists(trash + "info/note.2.trashinfo"));
}

TEST_F(FileOperationTest, NamesThatAreNotTextAreRenamedAndTrashedByTheirBytes) {
    const std::string odd = "odd\xff\xfe.txt";
    writeFile(folder + odd, "x");
    const std::vector<FolderEntry> entries = readFolder(folder, "*.TXT");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, odd);
    const std::string renamed = "odd\xff.txt";
    ASSERT_EQ(ShellFileOperation::runOne(nullptr, FileOperation::Rename, folder + odd,
                                         folder + renamed, 0, {}),
              0);
    EXPECT_EQ(readFile(folder + renamed), "x");
    ASSERT_EQ(ShellFileOperation::runOne(nullptr, FileOperation::Delete, folder + renamed, {},
                                         kAllowUndo | kNoConfirmation, {}),
              0);
    EXPECT_EQ(readFile(trash + "files/" + renamed), "x");
    EXPECT_NE(readFile(trash + "info/" + renamed + ".trashinfo").find("odd%FF.txt"),
              std::string::npos);
}

TEST_F(FileOperationTest, CopyAndMoveLeaveExistingFilesAlone) {
    writeFile(folder + "src", "new");
    ASSERT_EQ(::mkdir((folder + "to").c_str(), 0700), 0);
    writeFile(folder + "to/src", "old");
    EXPECT_NE(ShellFileOperation::runOne(nullptr, FileOperation::Copy, folder + "src",
                                         folder + "to", 0, {}),
              0);
    EXPECT_EQ(readFile(folder + "to/src"), "old");
    EXPECT_EQ(ShellFileOperation::runOne(nullptr, FileOperation::Move, folder + "src",
                                         folder + "moved", kMultiDestFiles, {}),
              0);
    EXPECT_EQ(readFile(folder + "moved"), "new");
    EXPECT_FALSE(exists(folder + "src"));
    EXPECT_EQ(ShellFileOperation::runOne(nullptr, FileOperation::Copy, folder + "moved",
                                         folder + "copy", kMultiDestFiles, {}),
              0);
    EXPECT_EQ(readFile(folder + "copy"), "new");
    EXPECT_EQ(readFile(folder + "moved"), "new");
}

TEST(TypePattern, MatchesAsTheTypeListMeansIt) {
    EXPECT_TRUE(matchesTypePattern("notes", "*.*"));
    EXPECT_TRUE(matchesTypePattern(".hidden", "*"));
    EXPECT_TRUE(matchesTypePattern("A.WAV", "*.wav"));
    EXPECT_FALSE(matchesTypePattern("a.wav.txt", "*.wav"));
    EXPECT_FALSE(matchesTypePattern("wav", "*.wav"));
}

TEST(FolderReading, AFolderThatCannotBeReadIsEmpty) {
    EXPECT_TRUE(readFolder("/no/such/folder/", "*").empty());
    EXPECT_FALSE(readEntry("/no/such/folder/", "x"));
    EXPECT_FALSE(readEntry("/", "etc/passwd"));  // a name, never a path
}

}  // namespace
}  // namespace vox::panes
