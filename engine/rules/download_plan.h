#pragma once
// Download (PC files onto the recorder): every check runs before anything on
// the recorder changes. The result is either a refusal with its message or a
// list of actions. A recorder file that a PC file replaces stays until its
// successor is whole on the recorder (sent under a temporary name, then put
// in its place); only where the folder has no room for both copies, and the
// caller allows it, is it deleted as the action right before the send.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/rules/recorder_folder.h"
#include "engine/rules/recorder_listing.h"

namespace vox::rules {

struct PcFile {
    std::string path;
    std::uint64_t size = 0;
    bool isDirectory = false;
};

// The recorder file a sent PC file replaces.
struct ReplacedFile {
    std::string shortName;  // as the recorder's commands take it
    std::size_t row = 0;    // its place in the folder's play order
};

struct DownloadAction {
    enum class Kind { DeleteRecorderFile, SendPcFile };
    Kind kind;
    std::string name;          // recorder short name to delete, or PC path to send
    std::uint64_t blocks = 0;  // blocks of the file sent (0 for a delete)
    // A send that replaces this file once the new copy is whole.
    std::optional<ReplacedFile> replaces;
};

enum class PlanOutcome {
    Ready,     // carry the plan out
    Refused,   // show its message; nothing on either side changes
    Declined,  // the user kept an existing file; nothing changes
    // The folder has no room for a replaced file and its successor at once;
    // the message says so. Planning again with in-place replacing allowed
    // deletes the old file before the new one is sent.
    NoRoomForBothCopies,
};

enum class Replacing {
    KeepOldUntilNewIsWhole,
    InPlaceWhenNoRoom,  // the user accepted losing the old copy if the send fails
};

struct DownloadPlan {
    using Outcome = PlanOutcome;
    Outcome outcome = Outcome::Ready;
    std::string message;
    std::vector<DownloadAction> actions;
    std::uint64_t totalBlocks = 0;
    std::size_t filesSent = 0;
};

// Asked with the overwrite question text; true to replace the recorder file.
using ConfirmOverwrite = std::function<bool(const std::string& question)>;

DownloadPlan planDownload(const RecorderListing& listing, RecorderFolder folder,
                          std::span<const PcFile> selection, const ConfirmOverwrite& confirm,
                          Replacing replacing = Replacing::KeepOldUntilNewIsWhole);

// The extension a PC file is judged by: from the last '.' of its name on,
// upper-cased; empty when the name has no dot.
std::string pcExtension(std::string_view pcPath);

}  // namespace vox::rules
