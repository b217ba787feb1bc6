#pragma once
// The recorder's side of the exchanges: it follows the vendor requests that
// frame each command, collects command blocks and file data from the out
// pipe, carries commands out on the flash file system and queues their
// replies for the in pipe. A violation of the protocol is recorded and
// answered with silence; the exchange it broke is dropped.

#include <cstdint>
#include <deque>
#include <map>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "recorder_model/command_block.h"
#include "recorder_model/faults.h"
#include "recorder_model/flash_file_system.h"

namespace vox::model {

struct RecorderOptions;

// What the recorder answers in a reply's outcome byte.
enum class Outcome : std::uint8_t {
    Done = 0,
    Refused = 1,
    NoSuchEntry = 2,
    BadName = 3,
    NameExists = 4,
    StoreFull = 5,
    FolderFull = 6,
    FolderNotEmpty = 7,
    NotAllowedHere = 8,
    BadPosition = 9,
    StorageFailed = 10,
};

// Makes a change to the file system lasting. When it cannot, it puts back the
// last lasting state and returns false.
class Storage {
  public:
    virtual ~Storage() = default;
    virtual bool commit() = 0;
};

class ProtocolEngine {
  public:
    enum class Signal { Ok, Unplug, Stall };

    ProtocolEngine(const RecorderOptions& options, FlashFileSystem& fileSystem, Faults& faults,
                   Storage& storage);

    Signal vendorRequest(std::uint8_t request, std::uint16_t value, std::uint16_t index);
    Signal bulkOut(std::span<const std::uint8_t> data);
    Signal bulkIn(std::span<std::uint8_t> buffer, std::size_t& copied);
    // Drops whatever exchange was under way (unplug, port reset).
    void reset();
    // True while a reply has bytes the host has not read yet.
    bool replyPending() const {
        return phase_ == Phase::Replying && reply_.position < reply_.size();
    }

    std::vector<std::string> errors() const { return {errors_.begin(), errors_.end()}; }
    void clearErrors() { errors_.clear(); }

  private:
    enum class Phase { Idle, Receiving, Executed, Replying, Data };
    enum class Follow { Nothing, ListingFinish, OutcomeFinish, Data };

    // A reply waiting for the host: small blocks, then optionally a file
    // body that is sent from the file's own bytes and zero padded.
    struct Reply {
        std::vector<std::uint8_t> head;
        FileBytes body;
        std::size_t bodyLength = 0;
        std::size_t position = 0;
        std::string step;            // the fault step this reply is
        std::size_t stepOffset = 0;  // where the reply starts in what is sent
        std::size_t size() const { return head.size() + bodyLength; }
    };
    // File data arriving after an accepted CREATE.
    struct Upload {
        char store = 'M';
        FlashEntry file;
        std::vector<std::uint8_t> bytes;
        std::uint64_t size = 0;      // the file's own bytes
        std::uint64_t expected = 0;  // whole blocks
        std::uint64_t received = 0;
        bool committed = false;
    };

    void violation(std::string text);
    void execute(std::span<const std::uint8_t> written);
    void setReply(std::vector<std::uint8_t> block, std::string step);
    Signal takeData(std::span<const std::uint8_t> data);
    bool commitUpload();
    bool hitsReadBlockStep(std::size_t length);
    // Applies a pending corrupt-read-block fault to the body bytes just copied.
    void corruptIfDue(std::uint8_t* out, std::size_t bodyOffset, std::size_t length);

    // One handler per command; each sets the reply and what follows it.
    void handle(const command::Identify&);
    void handle(const command::Status&);
    void handle(const command::Finish&);
    void handle(const command::ListStore&);
    void handle(const command::ListFolder&);
    void handle(const command::Format&);
    void handle(const command::Create&);
    void handle(const command::Read&);
    void handle(const command::Delete&);
    void handle(const command::RemoveDir&);
    void handle(const command::Move&);
    void handle(const command::Rename&);
    void handle(const command::MakeDir&);

    void answerOutcome(Outcome outcome, std::uint8_t code, std::string step);
    void answerListing(FlashEntry& folder, char store, bool withDotEntries, std::uint8_t code);
    Outcome changed();  // commits a change and says whether it lasted
    FlashEntry* currentFolder(char store);
    bool newerFirmware() const { return newerFirmware_; }

    const RecorderOptions& options_;
    FlashFileSystem& fileSystem_;
    Faults& faults_;
    Storage& storage_;
    bool newerFirmware_;

    Phase phase_ = Phase::Idle;
    Follow follow_ = Follow::Nothing;
    std::vector<std::uint8_t> commandBytes_;
    Reply reply_;
    std::vector<std::uint8_t> pendingStream_;  // the listing's directory stream
    Outcome pendingOutcome_ = Outcome::Done;   // what the FINISH will report
    Upload upload_;
    std::map<char, std::string> currentPath_;  // per store, from the top
    std::deque<std::string> errors_;
};

}  // namespace vox::model
