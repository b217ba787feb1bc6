// Upload and Download through the main window on a simulated recorder: the
// bars and their texts file by file, the checks and their boxes, the drop
// from the desktop, the busy refusal, and Cancel with the settle time.

#include <QLabel>
#include <chrono>

#include "application/core/message_window.h"
#include "application/core/tests/recorder_program_fixture.h"
#include "application/panes/dropped_files.h"
#include "application/panes/flash_operations.h"
#include "engine/rules/rule_texts.h"
#include "platform/messages/message_numbers.h"

namespace vox::app::testing {
namespace {

namespace msg = vox::messages;
using namespace std::chrono_literals;

// What the bars showed when each transfer notice arrived, that is after the
// notices before it were handled.
struct BarState {
    WParam code;
    QString total;
    int totalPosition;
    int totalRange;
    QString current;
};

class BarRecorder final : public MessageObserver {
  public:
    explicit BarRecorder(CFlashForm& form) : form_(form) { form_.addObserver(this); }
    ~BarRecorder() override { form_.removeObserver(this); }
    void observe(Message message, WParam wParam, LParam lParam) override {
        if (message != msg::WM_TRANSFER_NOTIFY) return;
        states.push_back({wParam, form_.totalBar()->text(), form_.totalBar()->position(),
                          form_.totalBar()->upper(), form_.currentBar()->text()});
        if (onNotice) onNotice(wParam, lParam);
    }
    // The Total texts in the order they first appeared.
    std::vector<QString> totalTexts() const {
        std::vector<QString> texts;
        for (const BarState& state : states)
            if (texts.empty() || texts.back() != state.total) texts.push_back(state.total);
        return texts;
    }
    std::vector<BarState> states;
    std::function<void(WParam, LParam)> onNotice;

  private:
    CFlashForm& form_;
};

QString text(const char* plain) {
    return QString::fromLatin1(plain);
}

using TransferCommands = RecorderProgramTest;

TEST_F(TransferCommands, UploadShowsEachFileInBothBarsAndTheFilesArriveWhole) {
    addRecorderFile("HD", "FIRST.BIN", 40000, 1, u"First.bin");
    addRecorderFile("HD", "SECOND.BIN", 1, 2, u"Second.bin");
    addRecorderFile("HD", "THIRD.BIN", 32768, 3, u"Third.bin");
    showRecorderFolder(4);
    ASSERT_EQ(list->topLevelItemCount(), 3);
    selectRecorderRows({0, 1, 2});
    BarRecorder bars(*form);

    request(msg::WM_UPLOAD_FILES);
    waitIdle();

    EXPECT_TRUE(boxes.shown.empty());
    // Block counts 2, 1 and 1 of a total of 4.
    const std::vector<QString> expected{QString(),
                                        "0% Complete (1/3)",
                                        "25% Complete (1/3)",
                                        "50% Complete (1/3)",
                                        "75% Complete (2/3)",
                                        "100% Complete (3/3)"};
    EXPECT_EQ(bars.totalTexts(), expected);
    int started = 0;
    for (const BarState& state : bars.states) {
        if (state.code != TRANSFER_STARTED) continue;
        // When the second file starts, the first one's 2 blocks of 4 are done.
        if (++started == 2) {
            EXPECT_EQ(state.totalPosition, 2);
            EXPECT_EQ(state.totalRange, 4);
        }
    }
    EXPECT_EQ(started, 3);
    for (auto [name, size] :
         {std::pair{"First.bin", 40000}, {"Second.bin", 1}, {"Third.bin", 32768}}) {
        std::error_code error;
        EXPECT_EQ(std::filesystem::file_size(pcFolder + name, error),
                  static_cast<std::uintmax_t>(size))
            << name << ": " << error.message();
    }
    // The files are in the PC list, the bars empty, the buttons back.
    EXPECT_EQ(pcList->topLevelItemCount(), 3);
    EXPECT_TRUE(form->totalBar()->text().isEmpty());
    EXPECT_TRUE(form->currentBar()->text().isEmpty());
    EXPECT_TRUE(form->button(CFlashForm::kUpload)->isEnabled());
    EXPECT_FALSE(form->button(CFlashForm::kCancel)->isEnabled());
}

TEST_F(TransferCommands, DownloadPutsFilesInTheFolderThatTakesThem) {
    writePcFile("memo.DVF", 10);
    selectPcFiles({"memo.DVF"});
    // MP3 takes music only: refused, nothing moves.
    showRecorderFolder(3);
    const std::vector<std::string> music = recorderNames("MP3");
    request(msg::WM_DOWNLOAD_FILES);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, text(rules::texts::kMusicFileOnly));
    EXPECT_TRUE(idle());
    EXPECT_EQ(recorderNames("MP3"), music);

    // HD takes any file.
    showRecorderFolder(4);
    request(msg::WM_DOWNLOAD_FILES);
    waitIdle();
    ASSERT_EQ(boxes.shown.size(), 1u);
    const vox::model::FlashEntry* sent = recorderFile("HD", "MEMO.DVF");
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(sent->size(), 10u);
    VOX_TRY_COMPARE(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("memo.DVF"));
}

TEST_F(TransferCommands, AFolderTakesNinetyNineFilesAtMost) {
    for (int i = 0; i < 97; ++i) addRecorderFile("A", "V" + std::to_string(i) + ".DVF", 100);
    for (const char* name : {"n1.DVF", "n2.DVF", "n3.DVF"}) writePcFile(name, 600);
    showRecorderFolder(0);
    ASSERT_EQ(list->topLevelItemCount(), 97);

    selectPcFiles({"n1.DVF", "n2.DVF", "n3.DVF"});
    request(msg::WM_DOWNLOAD_FILES);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, text(rules::texts::kFolderFull));
    EXPECT_EQ(recorderNames("A").size(), 97u);

    selectPcFiles({"n1.DVF", "n2.DVF"});
    request(msg::WM_DOWNLOAD_FILES);
    waitIdle();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(recorderNames("A").size(), 99u);
    VOX_TRY_COMPARE(list->topLevelItemCount(), 99);
}

TEST_F(TransferCommands, ASelectionBiggerThanTheFreeSpaceSaysByHowMuch) {
    writePcFile("big.bin", 65537);
    showRecorderFolder(4);
    doc->listing.freeBytes = 65536;
    selectPcFiles({"big.bin"});
    request(msg::WM_DOWNLOAD_FILES);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              QStringLiteral("Selected files is bigger than free memory.  ( 32.0KB over )"));
    EXPECT_TRUE(idle());
    EXPECT_TRUE(recorderNames("HD").empty());
}

TEST_F(TransferCommands, EmptyFilesAndFoldersAreRefused) {
    writePcFile("empty.bin", 0);
    std::filesystem::create_directories(pcFolder + "sub");
    showRecorderFolder(4);
    for (const char* name : {"empty.bin", "sub"}) {
        selectPcFiles({name});
        request(msg::WM_DOWNLOAD_FILES);
    }
    ASSERT_EQ(boxes.shown.size(), 2u);
    for (const SeenBox& box : boxes.shown) EXPECT_EQ(box.text, text(rules::texts::kNotAFile));
    EXPECT_TRUE(recorderNames("HD").empty());
}

// Nothing selected: no box, nothing happens.
TEST_F(TransferCommands, RequestsWithoutASelectionDoNothing) {
    addRecorderFile("HD", "KEEP.BIN", 10);
    showRecorderFolder(4);
    list->clearSelection();
    pcList->clearSelection();
    for (msg::Message message :
         {msg::WM_UPLOAD_FILES, msg::WM_DOWNLOAD_FILES, msg::WM_DELETE_FILES, msg::WM_MOVE_FILE})
        request(message);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(idle());
    EXPECT_EQ(recorderNames("HD").size(), 1u);
}

TEST_F(TransferCommands, FilesDroppedFromTheDesktopGoThroughTheSameChecks) {
    const std::string voice = writePcFile("drop.DVF", 3000);
    const std::string other = writePcFile("drop.txt", 3000);
    showRecorderFolder(0);
    vox::panes::DroppedFiles wrongType{{voice, other}};
    request(msg::WM_DOWNLOAD_FILES, vox::panes::kDroppedFiles,
            reinterpret_cast<LParam>(&wrongType));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, text(rules::texts::kVoiceFileOnly));

    vox::panes::DroppedFiles voiceOnly{{voice}};
    request(msg::WM_DOWNLOAD_FILES, vox::panes::kDroppedFiles,
            reinterpret_cast<LParam>(&voiceOnly));
    waitIdle();
    EXPECT_EQ(boxes.shown.size(), 1u);
    ASSERT_NE(recorderFile("A", "DROP.DVF"), nullptr);
    EXPECT_EQ(recorderFile("A", "DROP.DVF")->size(), 3000u);
}

// An existing recorder file is replaced only after the question, and stays
// until its successor is whole.
TEST_F(TransferCommands, OverwritingAskedFirstAndDeclinedKeepsTheRecorderFile) {
    addRecorderFile("HD", "SAME.BIN", 50, 9, u"Same.bin");
    writePcFile("same.bin", 70);
    showRecorderFolder(4);
    selectPcFiles({"same.bin"});
    boxes.answers = {BoxAnswer::Cancel};
    request(msg::WM_DOWNLOAD_FILES);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text.toStdString(),
              rules::fillIn(rules::texts::kOverwriteQuestion, pcFolder + "same.bin"));
    EXPECT_EQ(boxes.shown[0].buttons, BoxButtons::OkCancel);
    EXPECT_EQ(recorderFile("HD", "SAME.BIN")->size(), 50u);

    request(msg::WM_DOWNLOAD_FILES);
    waitIdle();
    EXPECT_EQ(boxes.shown.size(), 2u);
    ASSERT_EQ(recorderNames("HD").size(), 1u);
    EXPECT_EQ(recorderFile("HD", "SAME.BIN")->size(), 70u);
    VOX_TRY_COMPARE(list->topLevelItemCount(), 1);
}

// In a full folder the old copy cannot stay until the new one is whole: the
// user is asked whether it may go first.
TEST_F(TransferCommands, AFullFolderAsksBeforeAReplacedFileGoesFirst) {
    for (int i = 0; i < 98; ++i) addRecorderFile("HD", "V" + std::to_string(i) + ".BIN", 10);
    addRecorderFile("HD", "SAME.BIN", 50, 9, u"Same.bin");
    writePcFile("same.bin", 70);
    showRecorderFolder(4);
    selectPcFiles({"same.bin"});
    boxes.answers = {BoxAnswer::Ok, BoxAnswer::Cancel};
    request(msg::WM_DOWNLOAD_FILES);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text.toStdString(), std::string(rules::texts::kNoRoomForBothCopies) +
                                                     "\n" + rules::texts::kReplaceInPlaceQuestion);
    EXPECT_EQ(boxes.shown[1].buttons, BoxButtons::OkCancel);
    EXPECT_TRUE(idle());
    EXPECT_EQ(recorderFile("HD", "SAME.BIN")->size(), 50u);

    boxes.answers = {BoxAnswer::Ok, BoxAnswer::Ok};
    request(msg::WM_DOWNLOAD_FILES);
    waitIdle();
    EXPECT_EQ(boxes.shown.size(), 4u);
    EXPECT_EQ(recorderNames("HD").size(), 99u);
    EXPECT_EQ(recorderFile("HD", "SAME.BIN")->size(), 70u);
}

TEST_F(TransferCommands, CancelEndsAfterTheCurrentBlockAndTheRecorderSettlesFirst) {
    writePcFile("long.bin", 20 * 32768);
    showRecorderFolder(4);
    selectPcFiles({"long.bin"});
    recorder->faults().setSlowBus(std::chrono::microseconds(200));

    // A clock that moves only when the test or the batch's sleeps move it.
    auto now = std::make_shared<std::chrono::steady_clock::time_point>();
    std::vector<std::chrono::milliseconds> sleeps;
    vox::session::SessionTiming timing;
    timing.now = [now] { return *now; };
    timing.sleep = [now, &sleeps](std::chrono::milliseconds span) {
        sleeps.push_back(span);
        *now += span;
    };
    form->operations().setTiming(timing);
    std::chrono::steady_clock::time_point boxAt{};
    boxes.whileOpen = [&](const QString& shown) {
        if (shown != text(rules::texts::kCancelled)) return;
        boxAt = *now;
        *now += 700ms;  // the user reads the box
    };
    int progressAfterCancel = -1;
    BarRecorder bars(*form);
    bars.onNotice = [&](WParam code, LParam) {
        if (code != TRANSFER_PROGRESS) return;
        if (progressAfterCancel < 0) {
            form->button(CFlashForm::kCancel)->click();
            progressAfterCancel = 0;
        } else {
            ++progressAfterCancel;
        }
    };
    ASSERT_TRUE(form->button(CFlashForm::kDownload)->isEnabled());
    request(msg::WM_DOWNLOAD_FILES);
    waitIdle();

    EXPECT_EQ(progressAfterCancel, 0) << "a block after the cancel was sent";
    EXPECT_EQ(boxes.count(text(rules::texts::kCancelled)), 1);
    // The settle time counts from the box, whatever the user took to close it.
    ASSERT_FALSE(sleeps.empty());
    EXPECT_EQ(sleeps.back(), 2600ms - 700ms);
    EXPECT_GE(*now - boxAt, 2600ms);
    // The half-sent file is not on the recorder and the lists were listed again.
    EXPECT_EQ(recorderFile("HD", "LONG.BIN"), nullptr);
    EXPECT_NE(doc->deviceLink, nullptr);
    EXPECT_TRUE(form->button(CFlashForm::kDownload)->isEnabled());
}

// A clock that moves only when the batch's pauses move it, and what each
// pause after a file saw when it began.
struct PausedClock {
    explicit PausedClock(std::function<int()> rows) : rows_(std::move(rows)) {}
    vox::session::SessionTiming timing() {
        vox::session::SessionTiming timing;
        timing.now = [this] { return now; };
        timing.sleep = [this](std::chrono::milliseconds span) { now += span; };
        timing.sleepUntil = [this](std::chrono::steady_clock::time_point at) {
            pauses.push_back(at - now);
            rowsInPause.push_back(rows_());
            now = std::max(now, at);
        };
        return timing;
    }
    std::chrono::steady_clock::time_point now{};
    std::vector<std::chrono::steady_clock::duration> pauses;
    std::vector<int> rowsInPause;

  private:
    std::function<int()> rows_;
};

TEST_F(TransferCommands, EachFileIsListedBeforeThePauseAfterItAndTheNextFileWaitsItOut) {
    for (const char* name : {"a.bin", "b.bin", "c.bin"}) writePcFile(name, 40000);
    showRecorderFolder(4);
    PausedClock clock([this] { return list->topLevelItemCount(); });
    form->operations().setTiming(clock.timing());
    std::vector<std::chrono::steady_clock::time_point> finishedAt, startedAt;
    BarRecorder bars(*form);
    bars.onNotice = [&](WParam code, LParam) {
        if (code == TRANSFER_FINISHED) finishedAt.push_back(clock.now);
        if (code == TRANSFER_STARTED) startedAt.push_back(clock.now);
    };

    selectPcFiles({"a.bin", "b.bin", "c.bin"});
    request(msg::WM_DOWNLOAD_FILES);
    waitIdle();

    ASSERT_TRUE(boxes.shown.empty());
    EXPECT_EQ(clock.pauses, std::vector<std::chrono::steady_clock::duration>(3, 30ms));
    EXPECT_EQ(clock.rowsInPause, (std::vector<int>{1, 2, 3}));
    ASSERT_EQ(finishedAt.size(), 3u);
    ASSERT_EQ(startedAt.size(), 3u);
    for (std::size_t file = 1; file < 3; ++file)
        EXPECT_GE(startedAt[file] - finishedAt[file - 1], 30ms) << "file " << file;
    VOX_TRY_COMPARE(list->topLevelItemCount(), 3);

    // Fetched back, each file is in the PC list while the pause runs.
    ASSERT_TRUE(std::filesystem::remove(pcFolder + "a.bin"));
    ASSERT_TRUE(std::filesystem::remove(pcFolder + "b.bin"));
    ASSERT_TRUE(std::filesystem::remove(pcFolder + "c.bin"));
    pcList->listFolder("");
    ASSERT_EQ(pcList->topLevelItemCount(), 0);
    PausedClock back([this] { return pcList->topLevelItemCount(); });
    form->operations().setTiming(back.timing());
    selectRecorderRows({0, 1, 2});
    request(msg::WM_UPLOAD_FILES);
    waitIdle();
    ASSERT_TRUE(boxes.shown.empty());
    EXPECT_EQ(back.rowsInPause, (std::vector<int>{1, 2, 3}));
}

TEST_F(TransferCommands, RequestsWhileAWorkerRunsAreRefusedWithTheStopIcon) {
    writePcFile("slow.bin", 10 * 32768);
    addRecorderFile("HD", "OTHER.BIN", 10);
    showRecorderFolder(4);
    selectPcFiles({"slow.bin"});
    recorder->faults().setSlowBus(std::chrono::microseconds(300));
    int refusals = 0;
    DeviceContext* linkBefore = nullptr;
    BarRecorder bars(*form);
    bars.onNotice = [&](WParam code, LParam) {
        if (code != TRANSFER_PROGRESS || refusals > 0) return;
        selectRecorderRows({0});
        for (msg::Message message :
             {msg::WM_UPLOAD_FILES, msg::WM_DOWNLOAD_FILES, msg::WM_DELETE_FILES, msg::WM_MOVE_FILE,
              msg::WM_FORMAT_DEVICE})
            request(message);
        refusals = static_cast<int>(boxes.shown.size());
        // F5 leaves the running transfer and its link alone.
        linkBefore = doc->deviceLink;
        request(WM_COMMAND, kRefreshCommand);
    };
    request(msg::WM_DOWNLOAD_FILES);
    waitIdle();
    EXPECT_EQ(refusals, 5);
    EXPECT_EQ(doc->deviceLink, linkBefore);
    for (const SeenBox& box : boxes.shown) {
        EXPECT_EQ(box.text, text(rules::texts::kBusy));
        EXPECT_EQ(box.icon, BoxIcon::Stop);
    }
    EXPECT_EQ(recorderFile("HD", "SLOW.BIN")->size(), 10u * 32768);
    EXPECT_NE(recorderFile("HD", "OTHER.BIN"), nullptr);
}

}  // namespace
}  // namespace vox::app::testing
