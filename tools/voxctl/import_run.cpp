#include "tools/voxctl/import_run.h"

#include <iostream>
#include <optional>

#include "engine/import/import_names.h"
#include "engine/import/import_places.h"
#include "engine/import/import_state.h"
#include "engine/import/pc_placement.h"
#include "engine/rules/rule_texts.h"
#include "engine/rules/text_case.h"
#include "tools/voxctl/command_error.h"
#include "tools/voxctl/listing_output.h"
#include "tools/voxctl/recorder_fetch.h"
#include "tools/voxctl/recorder_session.h"
#include "tools/voxctl/transfer_runner.h"
#include "tools/voxctl/wav_decoding.h"

namespace vox::voxctl {

namespace {

using rules::RecorderFolder;

struct Candidate {
    RecorderFolder folder;
    rules::ListedFile file;
};

std::vector<RecorderFolder> foldersToImport(bool all) {
    if (all) return {rules::kRecorderFolders.begin(), rules::kRecorderFolders.end()};
    return {RecorderFolder::A, RecorderFolder::B, RecorderFolder::C};
}

bool isVoiceFolder(RecorderFolder folder) {
    return folder == RecorderFolder::A || folder == RecorderFolder::B ||
           folder == RecorderFolder::C;
}

std::string requireFolder(const std::string& path) {
    std::string error;
    if (!importing::makeFolders(path, error)) throw CommandError(kExitPcFile, error);
    return path;
}

// Everything of one import that outlives a single recording.
class ImportRun {
  public:
    ImportRun(const ImportOptions& options, ImportSummary& summary)
        : options_(options), summary_(summary) {}

    void run() {
        const std::string root =
            options_.folder.empty() ? importing::defaultImportFolder() : options_.folder;
        RecorderSession session;
        const PlayerInfo info = session.playerInfo();
        std::vector<Candidate> candidates;
        std::uint32_t capacity = 0;
        for (RecorderFolder folder : foldersToImport(options_.all)) {
            const rules::RecorderListing listing = session.listFolder(folder);
            capacity = listing.totalBytes;
            for (const rules::ListedFile& file : listing.files)
                if (!(file.attribute & 0x10)) candidates.push_back({folder, file});
        }
        statePath_ =
            requireFolder(importing::stateFolder()) + "/" +
            importing::stateFileName(std::string(info.modelName, sizeof info.modelName), capacity);
        std::string error;
        auto state = importing::ImportState::load(statePath_, error);
        if (!state) throw CommandError(kExitPcFile, error);
        if (state->skippedLines() > 0)
            std::cerr << "voxctl: " << state->skippedLines() << " damaged line(s) in " << statePath_
                      << " were left out\n";
        state_ = std::move(*state);

        InterruptGuard guard;
        WavDecoding decoding(summary_);
        decoding_ = options_.wav ? &decoding : nullptr;
        for (const Candidate& candidate : candidates) {
            const std::string label(rules::folderLabel(candidate.folder));
            if (state_.contains(importing::recordingOf(label, candidate.file))) {
                ++summary_.skipped;
                continue;
            }
            importOne(session, candidate, requireFolder(root + "/" + label));
        }
        decoding.finish();
    }

  private:
    void importOne(RecorderSession& session, const Candidate& candidate, const std::string& dir) {
        const std::string label(rules::folderLabel(candidate.folder));
        const std::string recorderName = rules::plainName(candidate.file);
        const std::string& shortName = candidate.file.shortName;
        const std::string wanted = importing::importName(
            options_.namePattern.empty() ? importing::kDefaultNamePattern : options_.namePattern,
            candidate.file, label);
        // The copy arrives under a name of ours and takes its own only once
        // whole and, when asked, checked.
        OwnFile copy(dir + "/.voxerin-import");
        fetchInto(session, candidate.folder, shortName, copy.path(),
                  label + "/" + rules::printable(recorderName));
        const bool check = options_.verify || options_.deleteAfter;
        if (check && !readsBackTheSame(session, candidate.folder, shortName, copy.path())) {
            summary_.copyMismatch = true;
            summary_.failed.push_back({label, recorderName, "the copy did not read back the same"});
            std::cerr << "voxctl: " << label << "/" << rules::printable(recorderName)
                      << ": the copy did not read back the same; it was removed\n";
            return;
        }
        std::string error;
        const auto placed = importing::placeWithoutOverwrite(copy.path(), dir, wanted, error);
        if (!placed) {
            summary_.failed.push_back({label, recorderName, error});
            std::cerr << "voxctl: " << error << '\n';
            return;
        }
        copy.release();
        state_.add(importing::recordingOf(label, candidate.file));
        if (!state_.save(statePath_, error)) throw CommandError(kExitPcFile, error);

        ImportedFile imported{label, recorderName, dir + "/" + *placed, {}, candidate.file.size};
        if (options_.deleteAfter) imported.deleted = deleteFromRecorder(session, candidate);
        summary_.bytes += candidate.file.size;
        summary_.imported.push_back(imported);
        if (!options_.json) std::cout << imported.path << '\n';
        if (decoding_ != nullptr && isVoiceFolder(candidate.folder))
            decoding_->add(summary_.imported.size() - 1, dir, *placed);
    }

    bool deleteFromRecorder(RecorderSession& session, const Candidate& candidate) {
        session.ensureListed(candidate.folder);
        const int outcome =
            QVDeleteFile(session.link(), candidate.file.shortName.c_str(), STORE_MAIN);
        if (outcome == 0) return true;
        std::cerr << "voxctl: " << rules::folderLabel(candidate.folder) << "/"
                  << rules::printable(rules::plainName(candidate.file))
                  << " was imported but could not be deleted from the recorder\n";
        summary_.deleteRefused = true;
        return false;
    }

    const ImportOptions& options_;
    ImportSummary& summary_;
    std::string statePath_;
    importing::ImportState state_;
    WavDecoding* decoding_ = nullptr;
};

void printJson(const ImportSummary& summary) {
    std::cout << "{\"imported\":[";
    const char* separator = "";
    for (const ImportedFile& file : summary.imported) {
        std::cout << separator << "{\"folder\":" << jsonString(file.folder)
                  << ",\"name\":" << jsonString(file.recorderName)
                  << ",\"path\":" << jsonString(file.path) << ",\"size\":" << file.size;
        if (!file.wavPath.empty()) std::cout << ",\"wav\":" << jsonString(file.wavPath);
        std::cout << ",\"deleted\":" << (file.deleted ? "true" : "false") << '}';
        separator = ",";
    }
    std::cout << "],\"failed\":[";
    separator = "";
    for (const FailedFile& file : summary.failed) {
        std::cout << separator << "{\"folder\":" << jsonString(file.folder)
                  << ",\"name\":" << jsonString(file.recorderName)
                  << ",\"reason\":" << jsonString(file.reason) << '}';
        separator = ",";
    }
    std::cout << "],\"files\":" << summary.imported.size() << ",\"bytes\":" << summary.bytes
              << ",\"skipped\":" << summary.skipped << "}\n";
}

}  // namespace

void importRecordings(const ImportOptions& options, ImportSummary& summary) {
    ImportRun(options, summary).run();
}

void printImportSummary(const ImportOptions& options, const ImportSummary& summary) {
    if (options.json) return printJson(summary);
    std::cout << "imported " << summary.imported.size() << " file(s), " << summary.bytes
              << " bytes; skipped " << summary.skipped << "; failed " << summary.failed.size()
              << std::endl;
}

}  // namespace vox::voxctl
