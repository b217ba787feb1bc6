#pragma once
// What was imported from one recorder: every recording that was completely
// copied (and checked, when copies are checked), by recorder folder, name,
// size and date. A recording counts as the same one only when all four
// agree, so a new recording that reuses a deleted one's name is imported.
//
// The state lives in a small text file, one recording a line, replaced
// whole on every save (a file of our own beside it, flushed, then renamed
// over it), so an import cut short at any moment leaves either the old or
// the new list and never half a file.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/rules/recorder_listing.h"

namespace vox::importing {

struct ImportedRecording {
    std::string folder;  // "A", "B", "C", "MP3" or "HD"
    std::string name;    // the recorder's name for it
    std::uint32_t size = 0;
    rules::RecorderDate date;  // as the recorder stores it, not repaired
};

bool operator==(const ImportedRecording& a, const ImportedRecording& b);

ImportedRecording recordingOf(std::string_view folder, const rules::ListedFile& file);

class ImportState {
  public:
    // Reads `path`; a missing file is an empty state. Lines that do not
    // parse are left out and counted in skippedLines(), so a damaged state
    // file costs at most a second copy, never a lost recording.
    static std::optional<ImportState> load(const std::string& path, std::string& error);

    bool contains(const ImportedRecording& recording) const;
    void add(ImportedRecording recording);
    const std::vector<ImportedRecording>& recordings() const { return recordings_; }
    std::size_t skippedLines() const { return skippedLines_; }

    // Replaces `path` whole; false with `error` set when it could not, and
    // then the file is as it was and no file of ours is left beside it.
    bool save(const std::string& path, std::string& error) const;

    std::string text() const;
    static ImportState parse(std::string_view text);

  private:
    std::vector<ImportedRecording> recordings_;
    std::size_t skippedLines_ = 0;
};

// The name of one recorder's state file, from what the recorder reports of
// itself that does not change: its model name and its capacity (the
// recorder reports no serial number; the firmware version is left out so
// that an update does not import everything again). Anything that is not a
// letter, digit, '.' or '-' becomes '_'.
std::string stateFileName(std::string_view model, std::uint32_t capacityBytes);

}  // namespace vox::importing
