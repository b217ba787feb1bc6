#pragma once
// What was imported from one recorder: every recording that was completely
// copied (and checked, when copies are checked), by recorder folder, name,
// size and date, and a checksum of its content. A recording counts as the
// same one only when all five agree, so a new recording that reuses a
// deleted one's name, on a recorder whose clock gives every recording the
// same date, is imported.
//
// The state lives in a small text file, one recording a line, replaced
// whole on every save (a file of our own beside it, flushed, then renamed
// over it), so an import cut short at any moment leaves either the old or
// the new list and never half a file.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/rules/recorder_listing.h"

namespace vox::importing {

struct ImportedRecording {
    std::string folder;  // "A", "B", "C", "MP3" or "HD"
    std::string name;    // the recorder's name for it
    std::uint32_t size = 0;
    rules::RecorderDate date;  // as the recorder stores it, not repaired
    // contentChecksum of the copy; empty when not known (a line of an
    // older state file, or a recording as the listing shows it).
    std::string checksum;
};

bool operator==(const ImportedRecording& a, const ImportedRecording& b);

ImportedRecording recordingOf(std::string_view folder, const rules::ListedFile& file);

class ImportState {
  public:
    // A state file holds a line of at most a few hundred bytes per recording.
    static constexpr std::size_t kMaxStateBytes = 16 << 20;

    // Reads `path`; a missing file is an empty state; anything but a plain
    // file (after links), or a file over kMaxStateBytes, is an error. Lines that do not
    // parse are left out and counted in skippedLines(), so a damaged state
    // file costs at most a second copy, never a lost recording.
    static std::optional<ImportState> load(const std::string& path, std::string& error);

    // Whether a recording of that folder, name, size and date was imported
    // (its checksum is not looked at).
    bool contains(const ImportedRecording& recording) const;
    // The checksums recorded for the recordings of that folder, name, size
    // and date ("" for one of an older state file); empty when there is none.
    std::vector<std::string> checksumsOf(const ImportedRecording& recording) const;
    void add(ImportedRecording recording);
    void remove(const ImportedRecording& recording);
    const std::vector<ImportedRecording>& recordings() const { return recordings_; }
    std::size_t skippedLines() const { return skippedLines_; }

    // Replaces `path` whole (a symbolic link's target, the link kept);
    // false with `error` set when it could not, and then the file is as it
    // was and no file of ours is left beside it.
    bool save(const std::string& path, std::string& error) const;

    std::string text() const;
    static ImportState parse(std::string_view text);

  private:
    std::vector<ImportedRecording> recordings_;
    // By folder, name, size and date: the checksums recorded, for lookups.
    std::unordered_map<std::string, std::vector<std::string>> checksums_;
    std::size_t skippedLines_ = 0;
};

// The name of one recorder's state file, from what the recorder reports of
// itself that does not change: its model name and its capacity (the
// recorder reports no serial number; the firmware version is left out so
// that an update does not import everything again), and the content
// fingerprint that tells two recorders of that model and capacity apart
// (empty: none, as state files were named before). Anything that is not a
// letter, digit, '.' or '-' becomes '_'.
std::string stateFileName(std::string_view model, std::uint32_t capacityBytes,
                          std::string_view fingerprint = {});

}  // namespace vox::importing
