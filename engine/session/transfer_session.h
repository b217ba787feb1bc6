#pragma once
// A whole transfer between the PC and the recorder, the same under every
// front end: the request is planned by the transfer rules (asking the user
// through the front end where a file would be replaced), refused with the
// system's texts where the rules or the recorder's names say no, and then
// carried out file by file on a TransferBatch: the planned deletes right
// before the file they make room for, the folder a fetched file lives in
// listed first where the recorder listed another one last, the pause after
// each file, the check of the recorder before each further file and the
// settle after a cancel. The front end draws what it is told in events.
//
// The session runs on the front end's thread: the workers' notices reach it
// through onNotice(), from the window it was given.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "engine/rules/download_plan.h"
#include "engine/rules/recorder_folder.h"
#include "engine/rules/recorder_listing.h"
#include "engine/session/transfer_batch.h"

namespace vox::session {

// PC files onto one recorder folder.
struct SendRequest {
    rules::RecorderFolder folder = rules::RecorderFolder::A;
    rules::RecorderListing listing;  // the folder as listed last
    int versionByte = 0;             // of the recorder's firmware
    std::vector<rules::PcFile> files;
};

// Recorder files into one PC folder.
struct FetchRequest {
    struct Source {
        rules::RecorderFolder folder = rules::RecorderFolder::A;
        rules::ListedFile file;
    };
    std::vector<Source> files;
    std::string pcFolder;
    // How each file is named on the PC (rules::entryName or rules::plainName).
    std::string (*pcNameOf)(const rules::ListedFile&) = rules::entryName;
    // The folder the recorder listed last: it reads the names of its
    // commands from there. Unknown means every file's folder is listed.
    std::optional<rules::RecorderFolder> listedLast;
};

// One file of a planned transfer.
struct SessionFile {
    TransferFile transfer;
    std::uint64_t blocks = 0;
    // To the recorder: replaced recorder files deleted right before this
    // one is sent (the user let them go where there is no room for both).
    std::vector<std::string> deleteBefore;
    // To the PC: where the file comes from and how it is listed there.
    rules::RecorderFolder folder = rules::RecorderFolder::A;
    rules::ListedFile recorderFile;
};

struct SessionPlan {
    TransferFile::Direction direction = TransferFile::Direction::ToRecorder;
    std::vector<SessionFile> files;
    std::uint64_t totalBlocks = 0;
};

// What the session tells its front end, in the order it happens.
namespace event {
// Nothing was changed: the text says why.
struct Refused {
    std::string text;
};
// The user kept a file a name is already taken by.
struct Declined {
    std::string text;
};
// The user did not let a replaced recorder file go before its successor.
struct ReplaceInPlaceDeclined {
    std::string text;
};
struct FileStarted {
    std::size_t index = 0;
    std::uint32_t totalBytes = 0;
};
struct FileProgress {
    std::size_t index = 0;
    std::uint32_t bytesMoved = 0;
};
// Told within the pause after the file, so that what the front end shows
// of it is in place before the recorder is asked anything else.
struct FileArrived {
    std::size_t index = 0;
};
struct FileFailed {
    std::size_t index = 0;
    TransferOutcome outcome = TransferOutcome::FileFailed;
};
// The settle after a cancel counts from this event.
struct Cancelled {
    std::size_t index = 0;
};
struct RecorderFileDeleted {
    std::size_t beforeFile = 0;
    std::string shortName;
};
// `outcome` is the library's: negative when the recorder did not answer,
// positive when it refused.
struct DeleteFailed {
    std::size_t beforeFile = 0;
    std::string shortName;
    int outcome = 0;
};
struct Finished {
    BatchEnd end = BatchEnd::AllDone;
    std::size_t filesDone = 0;
    std::string failure;  // after ReplaceFailed: what is where on the recorder
};
}  // namespace event

using SessionEvent =
    std::variant<event::Refused, event::Declined, event::ReplaceInPlaceDeclined, event::FileStarted,
                 event::FileProgress, event::FileArrived, event::FileFailed, event::Cancelled,
                 event::RecorderFileDeleted, event::DeleteFailed, event::Finished>;

// What a front end implements: its answers to the session's questions and
// the drawing of its events.
class SessionFrontEnd {
  public:
    virtual ~SessionFrontEnd() = default;
    // A file of the same name is where this one goes; true replaces it.
    virtual bool replaceExisting(const std::string& question) = 0;
    // The recorder folder has no room for a replaced file and its successor
    // at once (`text` says so); true lets the old copy go first.
    virtual bool replaceInPlace(const std::string& text) = 0;
    virtual void onEvent(const SessionEvent& event) = 0;
};

// Plans a request with the user's answers; a refusal or a decline comes
// back as its event instead.
using PlanResult =
    std::variant<SessionPlan, event::Refused, event::Declined, event::ReplaceInPlaceDeclined>;
PlanResult planSend(const SendRequest& request, SessionFrontEnd& frontEnd);
PlanResult planFetch(const FetchRequest& request, SessionFrontEnd& frontEnd);

class TransferSession final : private BatchListener {
  public:
    // Workers report to `window` with `message`.
    TransferSession(DeviceContext* link, messages::WindowHandle window, messages::Message message,
                    SessionFrontEnd& frontEnd, SessionTiming timing = {});
    ~TransferSession() override;
    TransferSession(const TransferSession&) = delete;
    TransferSession& operator=(const TransferSession&) = delete;

    // Plans the request and starts its first file; false (after the refusal
    // or decline event) when nothing starts.
    bool send(const SendRequest& request);
    bool fetch(const FetchRequest& request);
    // Carries out a plan made elsewhere (a front end's own checked copies);
    // `listedLast` as in FetchRequest. False when the plan has no files.
    bool run(SessionPlan plan, std::optional<rules::RecorderFolder> listedLast);
    // Every notice of the session's message number that reaches the window.
    void onNotice(messages::WParam code, messages::LParam value);
    // The running file stops after its current block; no further file starts.
    void cancel();
    bool running() const { return batch_.running(); }
    // The transfer planned last.
    const SessionPlan& plan() const { return plan_; }

  private:
    bool start(PlanResult planned, std::optional<rules::RecorderFolder> listedLast);
    bool beforeFile(std::size_t index) override;
    void onTransferEvent(std::size_t index, const TransferEvent& event) override;
    void onBatchEnd(BatchEnd end, std::size_t filesDone) override;
    bool listFolderOf(const SessionFile& file);

    DeviceContext* link_;
    SessionFrontEnd& frontEnd_;
    SessionTiming timing_;
    TransferBatch batch_;
    SessionPlan plan_;
    std::optional<rules::RecorderFolder> listedLast_;
    bool cancelled_ = false;
    // How a transfer the session stopped before a file ends.
    std::optional<BatchEnd> stoppedAs_;
};

}  // namespace vox::session
