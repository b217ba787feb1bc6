// A whole transfer as every front end runs it, against the recorder model:
// what the user is asked and told, the deletes before a send, the pause
// after each file, the folder listed before a fetch from it, and the stops
// before a file.

#include "engine/session/transfer_session.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "device_library/tests/temp_dir.h"
#include "engine/rules/listed_entry.h"
#include "engine/rules/rule_texts.h"
#include "engine/session/delete_run.h"
#include "engine/session/folder_reader.h"
#include "engine/session/recorder_move.h"
#include "platform/devio/direct_provider.h"
#include "platform/messages/queue_target.h"
#include "recorder_model/recorder.h"

namespace vox::session {
namespace {

using namespace std::chrono_literals;
using devsys::testing::patterned;
using devsys::testing::TempDir;

constexpr messages::Message kNotify = 0x918;

// A front end that answers from its fields and writes each event down as a
// short step ("S0" file 0 started, "A0" arrived, "D0:NAME" deleted before
// file 0, "C1" cancelled at file 1, "E..." the end).
struct Script : SessionFrontEnd {
    bool replaceExisting(const std::string& question) override {
        questions.push_back(question);
        return overwrite;
    }
    bool replaceInPlace(const std::string& text) override {
        questions.push_back(text);
        return inPlace;
    }
    void onEvent(const SessionEvent& event) override {
        namespace ev = event;
        if (const auto* refused = std::get_if<ev::Refused>(&event)) told = refused->text;
        if (std::holds_alternative<ev::Declined>(event)) steps.push_back("declined");
        if (std::holds_alternative<ev::ReplaceInPlaceDeclined>(event))
            steps.push_back("kept in place");
        if (const auto* started = std::get_if<ev::FileStarted>(&event))
            steps.push_back("S" + std::to_string(started->index));
        if (const auto* arrived = std::get_if<ev::FileArrived>(&event)) {
            steps.push_back("A" + std::to_string(arrived->index));
            if (cancelAfterFirst) session->cancel();
        }
        if (const auto* failed = std::get_if<ev::FileFailed>(&event))
            steps.push_back("F" + std::to_string(failed->index));
        if (const auto* cancelled = std::get_if<ev::Cancelled>(&event))
            steps.push_back("C" + std::to_string(cancelled->index));
        if (const auto* deleted = std::get_if<ev::RecorderFileDeleted>(&event))
            steps.push_back("D" + std::to_string(deleted->beforeFile) + ":" + deleted->shortName);
        if (const auto* refused = std::get_if<ev::DeleteFailed>(&event))
            steps.push_back("X" + std::to_string(refused->beforeFile) + ":" +
                            std::to_string(refused->outcome));
        if (const auto* finished = std::get_if<ev::Finished>(&event)) {
            end = finished->end;
            filesDone = finished->filesDone;
            steps.push_back("E");
        }
    }

    bool overwrite = true;
    bool inPlace = true;
    bool cancelAfterFirst = false;
    TransferSession* session = nullptr;
    std::vector<std::string> questions;
    std::vector<std::string> steps;
    std::string told;
    BatchEnd end = BatchEnd::Stopped;
    std::size_t filesDone = 0;
};

class TransferSessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        model::RecorderOptions options;
        options.capacityBytes = 16ull << 20;
        recorder_ = std::make_shared<model::Recorder>(options);
        auto provider = std::make_shared<devio::DirectProvider>();
        provider->attach(recorder_);
        previous_ = devio::installProvider(provider);
        ASSERT_EQ(CreateDev(&link_), 0);
        // A clock that moves only by the session's own waits.
        timing_.now = [this] { return now_; };
        timing_.sleep = [this](std::chrono::milliseconds span) {
            waits.push_back(span);
            now_ += span;
        };
        timing_.sleepUntil = [this](std::chrono::steady_clock::time_point at) {
            waits.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(at - now_));
            now_ = std::max(now_, at);
        };
    }
    void TearDown() override {
        DestroyDev(link_);
        devio::installProvider(previous_);
    }

    void addRecorderFile(const std::string& folder, const std::string& name, std::size_t bytes,
                         std::uint8_t fill = 7, std::u16string longName = u"") {
        std::string error;
        ASSERT_TRUE(recorder_->fileSystem().addFile(
            'M', folder, name, longName, std::vector<std::uint8_t>(bytes, fill), {}, error))
            << error;
    }
    const model::FlashEntry* recorderFile(const std::string& folder, const std::string& name) {
        for (const auto& entry : recorder_->fileSystem().folder('M', folder)->children)
            if (entry.shortName.plain() == name) return &entry;
        return nullptr;
    }
    std::size_t filesIn(const std::string& folder) {
        return recorder_->fileSystem().folder('M', folder)->children.size();
    }
    rules::RecorderListing list(rules::RecorderFolder folder) {
        auto raw = std::make_unique<DeviceListing>();
        const std::string name = rules::folderListingName(folder);
        EXPECT_EQ(readListing(QVRefreshDevice, link_, name.c_str(), true, *raw), ListingRead::Read);
        versionByte_ = raw->versionByte;
        return rules::listedFolder(*raw);
    }
    SendRequest sendRequest(rules::RecorderFolder folder, std::vector<rules::PcFile> files) {
        SendRequest request;
        request.folder = folder;
        request.listing = list(folder);
        request.versionByte = versionByte_;
        request.files = std::move(files);
        return request;
    }
    rules::PcFile pcFile(const std::string& name, std::size_t size) {
        return {pc.file(name, patterned(size)), size, false};
    }

    // Starts the transfer with `start` and pumps it to its end; false when
    // nothing started.
    bool run(const std::function<bool(TransferSession&)>& start) {
        messages::QueueTarget window([this](messages::Message message, messages::WParam code,
                                            messages::LParam value) -> messages::LResult {
            if (message == kNotify) session_->onNotice(code, value);
            return 0;
        });
        session_ = std::make_unique<TransferSession>(link_, &window, kNotify, script, timing_);
        script.session = session_.get();
        const bool started = start(*session_);
        EXPECT_TRUE(window.pumpUntil([&] { return !session_->running(); }, 30s));
        session_.reset();
        return started;
    }

    TempDir pc;
    Script script;
    std::vector<std::chrono::milliseconds> waits;
    std::shared_ptr<model::Recorder> recorder_;
    DeviceContext* link_ = nullptr;
    SessionTiming timing_;

  private:
    std::shared_ptr<devio::Provider> previous_;
    std::chrono::steady_clock::time_point now_{};
    int versionByte_ = 0;
    std::unique_ptr<TransferSession> session_;
};

TEST_F(TransferSessionTest, SendsEachFileAndPausesAfterIt) {
    const SendRequest request =
        sendRequest(rules::RecorderFolder::Hd, {pcFile("one.txt", 40000), pcFile("two.txt", 10)});
    EXPECT_TRUE(run([&](TransferSession& session) { return session.send(request); }));

    EXPECT_EQ(script.steps, (std::vector<std::string>{"S0", "A0", "S1", "A1", "E"}));
    EXPECT_EQ(script.end, BatchEnd::AllDone);
    EXPECT_EQ(script.filesDone, 2u);
    EXPECT_EQ(waits, (std::vector<std::chrono::milliseconds>{30ms, 30ms}));
    ASSERT_NE(recorderFile("HD", "TWO.TXT"), nullptr);
    EXPECT_EQ(recorderFile("HD", "ONE.TXT")->size(), 40000u);
}

// Refusals and declines are told before anything on the recorder changes.
TEST_F(TransferSessionTest, RefusedAndDeclinedRequestsSendNothing) {
    addRecorderFile("HD", "SAME.TXT", 50, 7, u"same.txt");
    script.overwrite = false;
    const SendRequest kept = sendRequest(rules::RecorderFolder::Hd, {pcFile("same.txt", 70)});
    EXPECT_FALSE(run([&](TransferSession& session) { return session.send(kept); }));
    EXPECT_EQ(script.questions.size(), 1u);
    EXPECT_EQ(script.steps, (std::vector<std::string>{"declined"}));

    script = {};
    const SendRequest wrongKind = sendRequest(rules::RecorderFolder::A, {pcFile("memo.txt", 70)});
    EXPECT_FALSE(run([&](TransferSession& session) { return session.send(wrongKind); }));
    EXPECT_FALSE(script.told.empty());
    EXPECT_TRUE(script.steps.empty());

    script = {};
    const SendRequest twice = sendRequest(
        rules::RecorderFolder::Hd, {pcFile("a.txt", 10), {pc.file("a.txt", patterned(10)), 10}});
    EXPECT_FALSE(run([&](TransferSession& session) { return session.send(twice); }));
    EXPECT_EQ(script.told, rules::fillIn(rules::texts::kSelectedTwice, "a.txt"));
    EXPECT_EQ(filesIn("HD"), 1u);
    EXPECT_EQ(recorderFile("HD", "SAME.TXT")->size(), 50u);
}

// In a full folder the replaced file goes right before its successor, once
// the user lets it; the recorder gets its moment after the delete.
TEST_F(TransferSessionTest, AFullFolderDeletesTheReplacedFileRightBeforeItsSuccessor) {
    for (int i = 0; i < 98; ++i) addRecorderFile("HD", "V" + std::to_string(i) + ".TXT", 10);
    addRecorderFile("HD", "SAME.TXT", 50, 7, u"same.txt");
    script.inPlace = false;
    const SendRequest request = sendRequest(rules::RecorderFolder::Hd, {pcFile("same.txt", 70)});
    EXPECT_FALSE(run([&](TransferSession& session) { return session.send(request); }));
    EXPECT_EQ(script.steps, (std::vector<std::string>{"kept in place"}));
    EXPECT_EQ(script.questions.back(), rules::texts::kNoRoomForBothCopies);

    script = {};
    EXPECT_TRUE(run([&](TransferSession& session) { return session.send(request); }));
    EXPECT_EQ(script.steps, (std::vector<std::string>{"D0:SAME    TXT", "S0", "A0", "E"}));
    EXPECT_EQ(waits, (std::vector<std::chrono::milliseconds>{30ms, 30ms}));
    EXPECT_EQ(filesIn("HD"), 99u);
    EXPECT_EQ(recorderFile("HD", "SAME.TXT")->size(), 70u);
}

TEST_F(TransferSessionTest, ADeleteTheRecorderRefusesEndsTheTransferWithNothingSent) {
    for (int i = 0; i < 98; ++i) addRecorderFile("HD", "V" + std::to_string(i) + ".TXT", 10);
    addRecorderFile("HD", "SAME.TXT", 50, 7, u"same.txt");
    const SendRequest request = sendRequest(rules::RecorderFolder::Hd, {pcFile("same.txt", 70)});
    recorder_->faults().refuseNextDelete();
    EXPECT_TRUE(run([&](TransferSession& session) { return session.send(request); }));
    EXPECT_EQ(script.steps, (std::vector<std::string>{"X0:1", "E"}));
    EXPECT_EQ(script.end, BatchEnd::Stopped);
    EXPECT_EQ(recorderFile("HD", "SAME.TXT")->size(), 50u);
}

// The recorder takes a command's names from the folder it listed last, so
// files of two folders both arrive only if each folder is listed first.
TEST_F(TransferSessionTest, FetchesFromSeveralFoldersListingEachFirst) {
    addRecorderFile("A", "MEMO.DVF", 300, 1);
    addRecorderFile("HD", "NOTE.TXT", 40000, 2);
    FetchRequest request;
    request.files.push_back({rules::RecorderFolder::A, list(rules::RecorderFolder::A).files[0]});
    request.files.push_back({rules::RecorderFolder::Hd, list(rules::RecorderFolder::Hd).files[0]});
    request.pcFolder = (pc / "").string();
    request.pcNameOf = rules::plainName;
    request.listedLast = rules::RecorderFolder::Hd;
    EXPECT_TRUE(run([&](TransferSession& session) { return session.fetch(request); }));

    EXPECT_EQ(script.steps, (std::vector<std::string>{"S0", "A0", "S1", "A1", "E"}));
    EXPECT_EQ(TempDir::contentOf(pc / "MEMO.DVF"), std::vector<std::uint8_t>(300, 1));
    EXPECT_EQ(TempDir::contentOf(pc / "NOTE.TXT"), std::vector<std::uint8_t>(40000, 2));
}

// A cancel between files starts nothing more, and nothing needs to settle.
TEST_F(TransferSessionTest, ACancelBetweenFilesStartsNoFurtherFile) {
    script.cancelAfterFirst = true;
    const SendRequest request =
        sendRequest(rules::RecorderFolder::Hd, {pcFile("one.txt", 10), pcFile("two.txt", 10)});
    EXPECT_TRUE(run([&](TransferSession& session) { return session.send(request); }));
    EXPECT_EQ(script.steps, (std::vector<std::string>{"S0", "A0", "C1", "E"}));
    EXPECT_EQ(script.end, BatchEnd::Cancelled);
    EXPECT_EQ(script.filesDone, 1u);
    EXPECT_EQ(waits, (std::vector<std::chrono::milliseconds>{30ms}));
    EXPECT_EQ(recorderFile("HD", "TWO.TXT"), nullptr);
}

// What a delete front end sees, with how many files were left at each step.
struct DeleteTrace : DeleteListener {
    void onDeleting(std::size_t index) override { steps.push_back("-" + std::to_string(index)); }
    void onDeleted(std::size_t index) override {
        steps.push_back("x" + std::to_string(index) + ":" + std::to_string(filesLeft()));
    }
    std::function<std::size_t()> filesLeft;
    std::vector<std::string> steps;
};

TEST_F(TransferSessionTest, DeletesGoOneAtATimeWithAPauseAndStopAtARefusalOrACancel) {
    for (const char* name : {"A.TXT", "B.TXT", "C.TXT", "D.TXT"}) addRecorderFile("HD", name, 10);
    list(rules::RecorderFolder::Hd);
    DeleteTrace trace;
    trace.filesLeft = [this] { return filesIn("HD"); };
    const auto never = [] { return false; };
    DeleteResult result = deleteFiles(link_, {"D       TXT", "C       TXT"}, never, trace, timing_);
    EXPECT_EQ(result.end, DeleteEnd::Done);
    EXPECT_EQ(result.deleted, 2u);
    EXPECT_EQ(trace.steps, (std::vector<std::string>{"-0", "x0:3", "-1", "x1:2"}));
    EXPECT_EQ(waits, (std::vector<std::chrono::milliseconds>{100ms, 100ms}));

    // The recorder refuses the first file: it stays, and neither of the
    // others is tried.
    addRecorderFile("HD", "E.TXT", 10);
    list(rules::RecorderFolder::Hd);
    trace.steps.clear();
    recorder_->faults().refuseNextDelete();
    result =
        deleteFiles(link_, {"E       TXT", "B       TXT", "A       TXT"}, never, trace, timing_);
    EXPECT_EQ(result.end, DeleteEnd::Failed);
    EXPECT_EQ(result.deleted, 0u);
    EXPECT_GT(result.outcome, 0);
    EXPECT_EQ(filesIn("HD"), 3u);

    // A cancel raised while a file goes ends before the next one.
    trace.steps.clear();
    bool cancel = false;
    trace.filesLeft = [&] {
        cancel = true;
        return filesIn("HD");
    };
    result = deleteFiles(
        link_, {"E       TXT", "B       TXT"}, [&] { return cancel; }, trace, timing_);
    EXPECT_EQ(result.end, DeleteEnd::Cancelled);
    EXPECT_EQ(result.deleted, 1u);
    EXPECT_EQ(trace.steps, (std::vector<std::string>{"-0", "x0:2"}));
    EXPECT_EQ(filesIn("HD"), 2u);
}

// A move the rules have no place for asks the front end for no link.
TEST_F(TransferSessionTest, AMoveTellsTheRecorderOnlyWhereTheFileHasAPlaceToGo) {
    for (const char* name : {"A.TXT", "B.TXT", "C.TXT"}) addRecorderFile("HD", name, 10);
    int linksAsked = 0;
    const auto link = [&] {
        ++linksAsked;
        return link_;
    };
    EXPECT_FALSE(moveFile(list(rules::RecorderFolder::Hd), 0, true, link));
    EXPECT_FALSE(moveFile(list(rules::RecorderFolder::Hd), 2, false, link));
    EXPECT_EQ(linksAsked, 0);

    const auto moved = moveFile(list(rules::RecorderFolder::Hd), 2, true, link);
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->position, 1u);
    EXPECT_EQ(moved->answer, 0);
    std::vector<std::string> order;
    for (const rules::ListedFile& file : list(rules::RecorderFolder::Hd).files)
        order.push_back(file.shortName);
    EXPECT_EQ(order, (std::vector<std::string>{"A       TXT", "C       TXT", "B       TXT"}));
}

}  // namespace
}  // namespace vox::session
