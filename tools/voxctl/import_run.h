#pragma once
// One import from the recorder that is plugged in: every recording not
// imported before is copied into the import folder under its date-based
// name, remembered in the recorder's state file once it is whole (and
// checked), and, when asked, decoded to a WAV beside it and deleted from
// the recorder after its checked copy.

#include <cstdint>
#include <string>
#include <vector>

namespace vox::voxctl {

struct ImportOptions {
    std::string folder;  // the import folder; empty for the default one
    std::string namePattern;
    bool all = false;  // also the MP3 and HD folders
    bool wav = false;
    bool verify = false;
    bool deleteAfter = false;  // implies verify
    bool json = false;
    bool watch = false;
};

struct ImportedFile {
    std::string folder, recorderName, path, wavPath;
    std::uint32_t size = 0;
    bool deleted = false;
};

struct FailedFile {
    std::string folder, recorderName, reason;
};

struct ImportSummary {
    std::vector<ImportedFile> imported;
    // Copies of earlier imports whose missing WAV this run made (or tried).
    std::vector<ImportedFile> wavsMadeLater;
    std::vector<FailedFile> failed;
    std::size_t skipped = 0;
    std::uint64_t bytes = 0;
    bool copyMismatch = false;   // a checked copy did not read back the same
    bool deleteRefused = false;  // a checked copy's recording stayed on the recorder
    bool moreThanShown = false;  // a folder held more recordings than its listing
};

// Imports into `summary` as far as it gets. Throws the command error that
// ended it early (no recorder, unplugged, Ctrl-C); what was imported until
// then is in `summary` and in the state file.
void importRecordings(const ImportOptions& options, ImportSummary& summary);

// The summary as the command ends with it: a line of text, or JSON.
void printImportSummary(const ImportOptions& options, const ImportSummary& summary);

}  // namespace vox::voxctl
