// The session's sequencing against the recorder model, through the device
// access library's exports: files one at a time, the lock released after
// each, the settle after a cancel, a recorder gone between files, and the
// two-part end of a format.

#include "engine/session/transfer_batch.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "device_library/tests/temp_dir.h"
#include "engine/session/format_run.h"
#include "engine/session/recorder_entries.h"
#include "platform/devio/direct_provider.h"
#include "platform/messages/queue_target.h"
#include "recorder_model/recorder.h"

namespace vox::session {
namespace {

using namespace std::chrono_literals;
using devsys::testing::patterned;
using devsys::testing::TempDir;

constexpr messages::Message kNotify = 0x917;

// What a front end sees of a batch, with the lock state at each step.
struct Recording : BatchListener {
    bool beforeFile(std::size_t index) override {
        started.push_back(index);
        return stopBefore != index;
    }
    void onTransferEvent(std::size_t index, const TransferEvent& event) override {
        events.push_back({index, event});
        if (std::holds_alternative<TransferProgress>(event) && cancelOnProgress) batch->cancel();
    }
    bool afterFile(std::size_t index) override {
        arrived.push_back(index);
        lockedAfterFile.push_back(QVIsUsed(link) != 0);
        if (unplugAfterFirst) recorder->unplug();
        return true;
    }
    void onBatchEnd(BatchEnd how, std::size_t done) override {
        end = how;
        filesDone = done;
        ++ends;
    }
    std::vector<TransferOutcome> outcomes() const {
        std::vector<TransferOutcome> found;
        for (const auto& [index, event] : events)
            if (const auto* finished = std::get_if<TransferFinished>(&event))
                found.push_back(finished->outcome);
        return found;
    }

    DeviceContext* link = nullptr;
    TransferBatch* batch = nullptr;
    model::Recorder* recorder = nullptr;
    std::size_t stopBefore = SIZE_MAX;
    bool cancelOnProgress = false;
    bool unplugAfterFirst = false;
    std::vector<std::size_t> started;
    std::vector<std::size_t> arrived;
    std::vector<bool> lockedAfterFile;
    std::vector<std::pair<std::size_t, TransferEvent>> events;
    BatchEnd end = BatchEnd::Stopped;
    std::size_t filesDone = 0;
    int ends = 0;
};

class TransferBatchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        model::RecorderOptions options;
        options.capacityBytes = 16ull << 20;
        recorder_ = std::make_shared<model::Recorder>(options);
        auto provider = std::make_shared<devio::DirectProvider>();
        provider->attach(recorder_);
        previous_ = devio::installProvider(provider);
        ASSERT_EQ(CreateDev(&link), 0);
        ASSERT_NE(link, nullptr);
        recording.link = link;
        recording.recorder = recorder_.get();
    }
    void TearDown() override {
        DestroyDev(link);
        devio::installProvider(previous_);
    }

    // The recorder takes files into the folder listed last.
    void listFolder(const char* folder) {
        auto listing = std::make_unique<DeviceListing>();
        ASSERT_EQ(QVRefreshDevice(link, listing.get(), folder, 0, STORE_MAIN), 1);
    }
    int filesIn(const char* folder) {
        auto listing = std::make_unique<DeviceListing>();
        EXPECT_EQ(QVRefreshDevice(link, listing.get(), folder, 0, STORE_MAIN), 1);
        return listing->entryCount - 2;
    }

    // Runs `files` to the batch's end, pumping the workers' notices.
    void run(std::vector<TransferFile> files, SessionTiming timing = {}) {
        messages::QueueTarget window([this](messages::Message message, messages::WParam code,
                                            messages::LParam value) -> messages::LResult {
            if (message == kNotify) batch_->onNotice(code, value);
            return 0;
        });
        batch_ =
            std::make_unique<TransferBatch>(link, &window, kNotify, recording, std::move(timing));
        recording.batch = batch_.get();
        batch_->start(std::move(files));
        ASSERT_TRUE(window.pumpUntil([&] { return !batch_->running(); }, 30s));
        batch_.reset();
    }

    // For a second batch in one test.
    void startAfresh() {
        recording = Recording{};
        recording.link = link;
        recording.recorder = recorder_.get();
    }

    TransferFile toRecorder(const std::string& name, std::size_t size) {
        return {TransferFile::Direction::ToRecorder, pc.file(name, patterned(size)), {}, {}};
    }

    DeviceContext* link = nullptr;
    TempDir pc;
    Recording recording;

  private:
    std::shared_ptr<model::Recorder> recorder_;
    std::shared_ptr<devio::Provider> previous_;
    std::unique_ptr<TransferBatch> batch_;
};

TEST_F(TransferBatchTest, FilesGoOneAtATimeAndTheLockIsFreeAfterEach) {
    listFolder("HD");
    run({toRecorder("one.txt", 40000), toRecorder("two.txt", 1), toRecorder("three.txt", 32768)});

    EXPECT_EQ(recording.end, BatchEnd::AllDone);
    EXPECT_EQ(recording.filesDone, 3u);
    EXPECT_EQ(recording.ends, 1);
    EXPECT_EQ(recording.started, (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(recording.lockedAfterFile, (std::vector<bool>{false, false, false}));
    EXPECT_EQ(QVIsUsed(link), 0);
    EXPECT_EQ(filesIn("HD"), 3);

    // Each file: started with its size, progress per block, one end; a
    // file's events all come before the next file's.
    std::vector<std::string> trace;
    for (const auto& [index, event] : recording.events) {
        std::string step = std::to_string(index) + ":";
        if (const auto* started = std::get_if<TransferStarted>(&event))
            step += "S" + std::to_string(started->totalBytes);
        if (const auto* progress = std::get_if<TransferProgress>(&event))
            step += "P" + std::to_string(progress->bytesMoved);
        if (std::holds_alternative<TransferFinished>(event)) step += "F";
        trace.push_back(step);
    }
    EXPECT_EQ(trace,
              (std::vector<std::string>{"0:S40000", "0:P32768", "0:P40000", "0:F", "1:S1", "1:P1",
                                        "1:F", "2:S32768", "2:P32768", "2:P32768", "2:F"}));
}

TEST_F(TransferBatchTest, FetchesIntoPcFiles) {
    listFolder("HD");
    run({toRecorder("memo.txt", 70000)});
    ASSERT_EQ(recording.end, BatchEnd::AllDone);

    startAfresh();
    listFolder("HD");
    const std::string target = (pc / "copy.txt").string();
    run({{TransferFile::Direction::ToPc, target, "MEMO    TXT", {}}});
    EXPECT_EQ(recording.end, BatchEnd::AllDone);
    EXPECT_EQ(TempDir::contentOf(target), patterned(70000));
}

TEST_F(TransferBatchTest, AFailedFileEndsTheBatchAndFreesTheLock) {
    listFolder("HD");
    run({toRecorder("one.txt", 10),
         {TransferFile::Direction::ToRecorder, "/no/such/file", {}, {}},
         toRecorder("three.txt", 10)});
    EXPECT_EQ(recording.end, BatchEnd::FileFailed);
    EXPECT_EQ(recording.filesDone, 1u);
    EXPECT_EQ(recording.started, (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(QVIsUsed(link), 0);
    EXPECT_EQ(QVCheckDevice(link), 1);
}

TEST_F(TransferBatchTest, CancelSettlesFromTheReportBeforeTheRecorderIsAskedAgain) {
    EXPECT_EQ(SessionTiming{}.settleAfterCancel, 2600ms);

    // A clock that moves 400 ms each time it is read: the cancel is reported
    // at one reading and the settle measured at the next.
    auto now = std::chrono::steady_clock::time_point{};
    std::vector<std::chrono::milliseconds> slept;
    SessionTiming timing;
    timing.now = [&] { return now += 400ms; };
    timing.sleep = [&](std::chrono::milliseconds span) {
        slept.push_back(span);
        EXPECT_NE(QVIsUsed(link), 0) << "the lock is released only after the settle";
    };
    recording.cancelOnProgress = true;
    listFolder("HD");
    run({toRecorder("big.txt", 5 * 32768), toRecorder("next.txt", 10)}, timing);

    EXPECT_EQ(recording.end, BatchEnd::Cancelled);
    EXPECT_EQ(recording.filesDone, 0u);
    EXPECT_EQ(recording.outcomes(), (std::vector<TransferOutcome>{TransferOutcome::Cancelled}));
    EXPECT_EQ(slept, (std::vector<std::chrono::milliseconds>{2200ms}));
    EXPECT_EQ(QVIsUsed(link), 0);
    EXPECT_EQ(QVCheckDevice(link), 1);
    EXPECT_EQ(filesIn("HD"), 0);
}

TEST_F(TransferBatchTest, ARecorderGoneBetweenFilesEndsTheBatch) {
    recording.unplugAfterFirst = true;
    listFolder("HD");
    run({toRecorder("one.txt", 10), toRecorder("two.txt", 10)});
    EXPECT_EQ(recording.end, BatchEnd::RecorderGone);
    EXPECT_EQ(recording.filesDone, 1u);
    EXPECT_EQ(recording.started, (std::vector<std::size_t>{0}));
}

TEST_F(TransferBatchTest, FrontEndCanStopBeforeAFileAndBatchesAreCappedAt100) {
    recording.stopBefore = 1;
    listFolder("HD");
    run({toRecorder("one.txt", 10), toRecorder("two.txt", 10)});
    EXPECT_EQ(recording.end, BatchEnd::Stopped);
    EXPECT_EQ(recording.filesDone, 1u);
    EXPECT_EQ(QVIsUsed(link), 0);

    startAfresh();
    recording.stopBefore = 0;
    std::vector<TransferFile> many(101, toRecorder("x.txt", 1));
    run(many);
    EXPECT_EQ(recording.end, BatchEnd::Stopped);
    EXPECT_EQ(TransferBatch::kMaxFiles, 100u);
}

TEST_F(TransferBatchTest, ABusyLibraryStartsNothing) {
    // A worker of someone else's holds the lock.
    bool otherFinished = false;
    messages::QueueTarget otherWindow(
        [&](messages::Message, messages::WParam code, messages::LParam) -> messages::LResult {
            if (code == TRANSFER_FINISHED) otherFinished = true;
            return 0;
        });
    messages::ThreadHandle held = nullptr;
    listFolder("HD");
    const std::string path = pc.file("held.txt", patterned(10));
    QVDownloadFile(link, path.c_str(), STORE_MAIN, &otherWindow, kNotify, &held, nullptr);
    ASSERT_NE(held, nullptr);

    run({toRecorder("one.txt", 10)});
    EXPECT_EQ(recording.end, BatchEnd::Busy);
    EXPECT_EQ(recording.filesDone, 0u);

    ASSERT_TRUE(otherWindow.pumpUntil([&] { return otherFinished; }, 30s));
    delete held;
    UnlockDev(link);
}

// The names of a folder in play order, and the row of `name`.
std::vector<std::string> namesIn(DeviceContext* link, const char* folder) {
    std::vector<std::string> names;
    if (auto read = readFolder(link, folder))
        for (const rules::ListedFile& file : read->listing.files) names.push_back(file.longName);
    return names;
}

TEST_F(TransferBatchTest, AReplacedFileStaysUntilItsSuccessorIsWholeAndKeepsItsPlace) {
    listFolder("HD");
    run({toRecorder("first.txt", 10), toRecorder("memo.txt", 40000), toRecorder("last.txt", 10)});
    ASSERT_EQ(recording.end, BatchEnd::AllDone);
    const auto before = readFolder(link, "HD");
    ASSERT_TRUE(before);
    const Replacement replacement{"HD", {before->listing.files[1].shortName, 1}};

    // Refused by the recorder: the old file is untouched, no temporary copy.
    startAfresh();
    recording.recorder->faults().refuseNextCreate();
    TransferFile refused = toRecorder("memo.txt", 70000);
    refused.replaces = replacement;
    run({refused});
    EXPECT_EQ(recording.end, BatchEnd::DeviceFailed);
    EXPECT_EQ(namesIn(link, "HD"), (std::vector<std::string>{"first.txt", "memo.txt", "last.txt"}));
    EXPECT_EQ(readFolder(link, "HD")->listing.files[1].size, 40000u);

    startAfresh();
    TransferFile replacing = toRecorder("memo.txt", 70000);
    replacing.replaces = replacement;
    run({replacing});
    EXPECT_EQ(recording.end, BatchEnd::AllDone);
    const auto after = readFolder(link, "HD");
    ASSERT_TRUE(after);
    EXPECT_EQ(namesIn(link, "HD"), (std::vector<std::string>{"first.txt", "memo.txt", "last.txt"}));
    EXPECT_EQ(after->listing.files[1].size, 70000u);
    EXPECT_EQ(QVIsUsed(link), 0);
}

struct FormatRecording : FormatListener {
    void onFormatEvent(const FormatEvent& event) override {
        if (std::holds_alternative<FormatStep>(event)) ++steps;
        if (std::holds_alternative<FormatDone>(event)) ++doneNotices;
    }
    void onFormatEnd(bool carried) override {
        carriedOut = carried;
        ++ends;
    }
    int steps = 0;
    int doneNotices = 0;
    int ends = 0;
    bool carriedOut = false;
};

FormatRun* runningFormat = nullptr;

// The pacer may still be leaving its last send when the run is over, so the
// window lives as long as the test program.
messages::QueueTarget& formatWindow() {
    static messages::QueueTarget window([](messages::Message message, messages::WParam code,
                                           messages::LParam value) -> messages::LResult {
        if (message == kNotify + 1 && runningFormat != nullptr)
            runningFormat->onNotice(code, value);
        return 0;
    });
    return window;
}

TEST_F(TransferBatchTest, FormatEndsAfterBothEndNoticesAndTellsARefusal) {
    messages::QueueTarget& window = formatWindow();
    for (bool unplugged : {false, true}) {
        FormatRecording seen;
        FormatRun run(link, &window, kNotify + 1, seen);
        runningFormat = &run;
        // Unplugged, the recorder gives no answer: the worker's end comes
        // empty, like the pacer's.
        if (unplugged) recording.recorder->faults().unplugAt("format-reply");
        ASSERT_TRUE(run.start(0));
        ASSERT_TRUE(window.pumpUntil([&] { return !run.running(); }, 30s));
        runningFormat = nullptr;
        EXPECT_EQ(seen.ends, 1);
        EXPECT_EQ(seen.doneNotices, 2);
        EXPECT_EQ(seen.steps, 100);
        EXPECT_EQ(seen.carriedOut, !unplugged);
        EXPECT_EQ(QVIsUsed(link), 0);
    }
}

}  // namespace
}  // namespace vox::session
