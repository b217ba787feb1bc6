#include "tools/voxctl/import_run.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>

#include "engine/import/content_checksum.h"
#include "engine/import/durable_copy.h"
#include "engine/import/import_names.h"
#include "engine/import/import_places.h"
#include "engine/import/import_state.h"
#include "engine/import/leftovers.h"
#include "engine/import/pc_placement.h"
#include "engine/import/state_choice.h"
#include "engine/rules/listed_entry.h"
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
            if (listing.moreThanShown) {
                summary_.moreThanShown = true;
                std::cerr << "voxctl: "
                          << rules::moreThanShownText(std::string(rules::folderLabel(folder)),
                                                      listing.files.size())
                          << '\n';
            }
            for (const rules::ListedFile& file : listing.files)
                if (!rules::isFolder(file)) candidates.push_back({folder, file});
        }
        // What an import of this recorder cut short left behind goes now,
        // while this run holds the recorder and no other import of it runs.
        for (RecorderFolder folder : rules::kRecorderFolders)
            importing::removeLeftovers(root + "/" + std::string(rules::folderLabel(folder)));
        stateFolder_ = requireFolder(importing::stateFolder());
        model_ = std::string(info.modelName, sizeof info.modelName);
        capacity_ = capacity;

        InterruptGuard guard;
        WavDecoding decoding(summary_);
        decoding_ = options_.wav ? &decoding : nullptr;
        for (const Candidate& candidate : candidates) {
            const std::string label(rules::folderLabel(candidate.folder));
            try {
                // The state is known once the first recording that reads is here.
                std::unique_ptr<OwnFile> fetched;
                if (statePath_.empty()) {
                    fetched = fetchCopy(session, candidate, requireFolder(root + "/" + label));
                    openState(candidate, *fetched);
                }
                considerOne(session, candidate, root + "/" + label, std::move(fetched));
            } catch (const CommandError& error) {
                if (skipUnreadable(session, candidate, error)) continue;
                // The recording under way failed too (a cancel is no failure).
                if (error.status() != kExitCancelled && !InterruptGuard::interrupted())
                    summary_.failed.push_back(
                        {label, rules::plainName(candidate.file), error.what()});
                throw;
            }
        }
        decoding.finish();
        if (InterruptGuard::interrupted())
            throw CommandError(kExitCancelled, rules::texts::kCancelled);
    }

  private:
    // Imports the recording unless the state has it: the same folder, name,
    // size and date and, where the state recorded one, the same content
    // checksum (read again from the recorder to compare).
    // `fetched`: the recording's copy when it was read already.
    void considerOne(RecorderSession& session, const Candidate& candidate, const std::string& dir,
                     std::unique_ptr<OwnFile> fetched) {
        const std::string label(rules::folderLabel(candidate.folder));
        const std::vector<std::string> sums =
            state_.checksumsOf(importing::recordingOf(label, candidate.file));
        if (!sums.empty()) {
            const auto recorded = [&sums](const std::string& sum) {
                return std::find(sums.begin(), sums.end(), sum) != sums.end();
            };
            // A line from before checksums were kept is trusted as it is.
            if (recorded(""))
                fetched.reset();
            else if (!fetched)
                fetched = fetchCopy(session, candidate, requireFolder(dir));
            const std::string sum = fetched ? importing::contentChecksum(fetched->path()) : "";
            if (!fetched || recorded(sum)) {
                ++summary_.skipped;
                if (fetched && options_.deleteAfter)
                    deleteImportedBefore(session, candidate, dir, sum);
                if (decoding_ != nullptr && isVoiceFolder(candidate.folder))
                    makeMissingWav(candidate, dir);
                return;
            }
        }
        importOne(session, candidate, requireFolder(dir), std::move(fetched));
    }

    // The recording's copy under a name of ours beside its final place.
    std::unique_ptr<OwnFile> fetchCopy(RecorderSession& session, const Candidate& candidate,
                                       const std::string& dir) {
        auto copy = std::make_unique<OwnFile>(dir + "/.voxerin-import");
        fetchInto(session, candidate.folder, candidate.file.shortName, copy->path(),
                  std::string(rules::folderLabel(candidate.folder)) + "/" +
                      rules::printable(rules::plainName(candidate.file)));
        return copy;
    }

    void importOne(RecorderSession& session, const Candidate& candidate, const std::string& dir,
                   std::unique_ptr<OwnFile> fetched) {
        const std::string label(rules::folderLabel(candidate.folder));
        const std::string recorderName = rules::plainName(candidate.file);
        const std::string& shortName = candidate.file.shortName;
        const std::string wanted = importing::importName(
            options_.namePattern.empty() ? importing::kDefaultNamePattern : options_.namePattern,
            candidate.file, label);
        // The copy arrives under a name of ours and takes its own only once
        // whole and, when asked, checked.
        const std::unique_ptr<OwnFile> copy =
            fetched ? std::move(fetched) : fetchCopy(session, candidate, dir);
        const bool check = options_.verify || options_.deleteAfter;
        if (check && !readsBackTheSame(session, candidate.folder, shortName, copy->path())) {
            summary_.copyMismatch = true;
            summary_.failed.push_back({label, recorderName, "the copy did not read back the same"});
            std::cerr << "voxctl: " << label << "/" << rules::printable(recorderName)
                      << ": the copy did not read back the same; it was removed\n";
            return;
        }
        std::string error;
        const auto placed = importing::placeWithoutOverwrite(copy->path(), dir, wanted, error);
        if (!placed) {
            summary_.failed.push_back({label, recorderName, error});
            std::cerr << "voxctl: " << error << '\n';
            return;
        }
        copy->release();
        const std::string placedPath = dir + "/" + *placed;
        if (!importing::makeDurable(placedPath, dir, error)) {
            // A copy that may not survive a power cut is not kept: the
            // recording stays on the recorder for the next import.
            ::unlink(placedPath.c_str());
            summary_.failed.push_back({label, recorderName, error});
            std::cerr << "voxctl: " << error << '\n';
            return;
        }
        // A copy the state does not record would be placed again by every
        // later import: it stays only once the state that records it is saved.
        importing::ImportedRecording recording = importing::recordingOf(label, candidate.file);
        recording.checksum = importing::contentChecksum(placedPath);
        state_.add(recording);
        if (!state_.save(statePath_, error)) {
            state_.remove(recording);
            ::unlink(placedPath.c_str());
            throw CommandError(kExitPcFile, error + " (the copy of " + label + "/" +
                                                rules::printable(recorderName) +
                                                " was removed; it stays on the recorder)");
        }

        ImportedFile imported{label, recorderName, placedPath, {}, candidate.file.size};
        if (options_.deleteAfter) imported.deleted = deleteFromRecorder(session, candidate);
        summary_.bytes += candidate.file.size;
        summary_.imported.push_back(imported);
        if (!options_.json) std::cout << imported.path << '\n';
        if (decoding_ != nullptr && isVoiceFolder(candidate.folder))
            decoding_->add(summary_.imported, summary_.imported.size() - 1, dir, *placed);
    }

    // A WAV an earlier import could not make (a kill, a full disk) is made
    // now: when the earlier copy is under its name, as large as the
    // recording, and no WAV of that name is beside it.
    // A recording imported before whose delete did not happen (refused, or
    // cut off by an unplug) is deleted now, but only while its copy is still
    // in the import folder under its name with the recording's content.
    void deleteImportedBefore(RecorderSession& session, const Candidate& candidate,
                              const std::string& dir, const std::string& sum) {
        const std::string label(rules::folderLabel(candidate.folder));
        const std::string copy =
            dir + "/" +
            importing::importName(options_.namePattern.empty() ? importing::kDefaultNamePattern
                                                               : options_.namePattern,
                                  candidate.file, label);
        struct stat found {};
        if (::lstat(copy.c_str(), &found) != 0 || !S_ISREG(found.st_mode) ||
            importing::contentChecksum(copy) != sum)
            return;
        if (deleteFromRecorder(session, candidate))
            std::cout << label << "/" << rules::printable(rules::plainName(candidate.file))
                      << ": deleted from the recorder; its copy " << copy
                      << " was imported before\n";
    }

    void makeMissingWav(const Candidate& candidate, const std::string& dir) {
        const std::string label(rules::folderLabel(candidate.folder));
        const std::string name = importing::importName(
            options_.namePattern.empty() ? importing::kDefaultNamePattern : options_.namePattern,
            candidate.file, label);
        struct stat copy {
        }, wav{};
        if (::stat((dir + "/" + name).c_str(), &copy) != 0 || !S_ISREG(copy.st_mode) ||
            copy.st_size != static_cast<off_t>(candidate.file.size) ||
            ::lstat((dir + "/" + importing::withExtension(name, ".wav")).c_str(), &wav) == 0)
            return;
        summary_.wavsMadeLater.push_back(
            {label, rules::plainName(candidate.file), dir + "/" + name, {}, candidate.file.size});
        decoding_->add(summary_.wavsMadeLater, summary_.wavsMadeLater.size() - 1, dir, name);
    }

    // The state of this recorder, told from another's of the same model and
    // capacity by the content of `first`, its first recording that reads
    // (`copy`); loaded into state_.
    void openState(const Candidate& first, const OwnFile& copy) {
        importing::ImportedRecording recording =
            importing::recordingOf(rules::folderLabel(first.folder), first.file);
        recording.checksum = importing::contentChecksum(copy.path());
        if (recording.checksum.empty())
            throw CommandError(kExitPcFile, "cannot read " + copy.path());
        const importing::StateChoice choice =
            importing::chooseStateFile(stateFolder_, model_, capacity_, recording);
        const std::string path = stateFolder_ + "/" + choice.name;
        if (!choice.found)
            std::cerr << "voxctl: the recorder tells only its model, firmware and capacity, "
                         "nothing of its own; what is imported from it is recorded by those and "
                         "its first recording ("
                      << recording.folder << "/" << rules::printable(recording.name) << ") in "
                      << path << '\n';
        // What an import of this recorder cut short left of its state goes
        // now, while this run holds the recorder.
        importing::removeLeftovers(stateFolder_, choice.name);
        std::string error;
        auto state = importing::ImportState::load(path, error);
        if (!state) throw CommandError(kExitPcFile, error);
        if (state->skippedLines() > 0)
            std::cerr << "voxctl: " << state->skippedLines() << " damaged line(s) in " << path
                      << " were left out\n";
        state_ = std::move(*state);
        statePath_ = path;
    }

    static bool recorderSide(const CommandError& error) {
        return error.status() == kExitUsbFailed || error.status() == kExitRecorderSaidNo ||
               error.status() == kExitNotFound;
    }

    // After the recorder failed to hand a recording over: when it still
    // answers, the entry alone is at fault; it is named, counted as failed
    // and skipped, and the import goes on with the next. False when the
    // recorder is gone, the user cancelled or the PC side failed: that ends
    // the import.
    bool skipUnreadable(RecorderSession& session, const Candidate& candidate,
                        const CommandError& error) {
        if (!recorderSide(error) || InterruptGuard::interrupted()) return false;
        try {
            session.listFolder(candidate.folder);
        } catch (const CommandError&) {
            return false;
        }
        const std::string label(rules::folderLabel(candidate.folder));
        const std::string name = rules::plainName(candidate.file);
        const std::string reason =
            std::string("the recorder could not read it (") + error.what() + ")";
        summary_.failed.push_back({label, name, reason});
        std::cerr << "voxctl: " << label << "/" << rules::printable(name) << ": " << reason
                  << "; it was skipped\n";
        return true;
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
    std::string stateFolder_;
    std::string model_;  // as the recorder reports it, padding and all
    std::uint32_t capacity_ = 0;
    std::string statePath_;  // empty until the state is known
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
    std::cout << "],\"wavs_made_later\":[";
    separator = "";
    for (const ImportedFile& file : summary.wavsMadeLater) {
        if (file.wavPath.empty()) continue;
        std::cout << separator << jsonString(file.wavPath);
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
    for (const ImportedFile& file : summary.wavsMadeLater)
        if (!file.wavPath.empty()) std::cout << file.wavPath << '\n';
    std::cout << "imported " << summary.imported.size() << " file(s), " << summary.bytes
              << " bytes; skipped " << summary.skipped << "; failed " << summary.failed.size()
              << std::endl;
}

}  // namespace vox::voxctl
