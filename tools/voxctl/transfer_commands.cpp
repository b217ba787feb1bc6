// put and get: PC files onto the recorder and recorder files onto the PC,
// checked by the transfer rules first, then one library worker per file.

#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <thread>

#include "engine/import/pc_placement.h"
#include "engine/rules/download_plan.h"
#include "engine/rules/rule_texts.h"
#include "engine/rules/text_case.h"
#include "engine/rules/transfer_units.h"
#include "engine/rules/upload_plan.h"
#include "engine/session/name_clash.h"
#include "engine/session/recorder_names.h"
#include "engine/session/session_timing.h"
#include "tools/voxctl/command_error.h"
#include "tools/voxctl/commands.h"
#include "tools/voxctl/recorder_fetch.h"
#include "tools/voxctl/recorder_session.h"
#include "tools/voxctl/terminal.h"
#include "tools/voxctl/transfer_runner.h"

namespace vox::voxctl {

namespace {

struct TransferOptions {
    std::vector<std::string> arguments;
    bool force = false;
    bool replaceInPlace = false;
    bool verify = false;
};

using vox::session::TransferFile;

rules::ConfirmOverwrite overwritePolicy(bool force) {
    return [force](const std::string& question) { return force || askYesNo(question); };
}

void requireBatchSize(std::size_t files) {
    if (files > rules::kBatchLimit)
        throw CommandError(kExitUsage, "at most " + std::to_string(rules::kBatchLimit) +
                                           " files can be copied in one command");
}

void throwIfInterrupted() {
    if (InterruptGuard::interrupted()) throw CommandError(kExitCancelled, rules::texts::kCancelled);
}

std::string progressLabel(std::string_view name, std::size_t index, std::size_t count) {
    return std::string(name) + " (" + std::to_string(index + 1) + "/" + std::to_string(count) + ")";
}

rules::PcFile statPcFile(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        throw CommandError(kExitPcFile, path + ": " + std::strerror(errno));
    return {path, static_cast<std::uint64_t>(status.st_size), S_ISDIR(status.st_mode)};
}

void deleteRecorderFile(DeviceContext* link, const std::string& shortName) {
    const int outcome = QVDeleteFile(link, shortName.c_str(), STORE_MAIN);
    if (outcome < 0) throw CommandError(kExitUsbFailed, rules::texts::kUsbFailed);
    if (outcome > 0)
        throw CommandError(kExitRecorderSaidNo, "the recorder refused to delete \"" + shortName +
                                                    "\" (outcome " + std::to_string(outcome) + ")");
    // The recorder needs a moment before the file's successor arrives.
    std::this_thread::sleep_for(session::SessionTiming{}.afterReplacedDelete);
}

// Every file sent is fetched back into a file of ours and compared with its
// PC source; a recorder copy that differs is deleted, so that no wrong copy
// stays behind looking right.
void checkSentFiles(RecorderSession& session, rules::RecorderFolder folder,
                    const rules::DownloadPlan& plan) {
    bool mismatch = false;
    for (const rules::DownloadAction& action : plan.actions) {
        if (action.kind != rules::DownloadAction::Kind::SendPcFile) continue;
        throwIfInterrupted();
        const std::string name(rules::pcFileName(action.name));
        const rules::RecorderListing listing = session.listFolder(folder);
        const auto row = rules::findFile(listing, name);
        if (!row)
            throw CommandError(kExitNotFound,
                               "\"" + name + "\" is not on the recorder after sending it");
        const std::string shortName = listing.files[*row].shortName;
        // Beside the source might be read-only media.
        const OwnFile readBack((std::filesystem::temp_directory_path() / "voxctl-check").string());
        fetchInto(session, folder, shortName, readBack.path(), "checking " + name);
        if (importing::sameContent(action.name, readBack.path())) continue;
        mismatch = true;
        session.ensureListed(folder);
        const bool removed = QVDeleteFile(session.link(), shortName.c_str(), STORE_MAIN) == 0;
        std::cerr << "voxctl: " << rules::printable(name)
                  << ": the recorder's copy did not read back the same"
                  << (removed ? "; it was deleted" : " and could not be deleted") << '\n';
    }
    if (mismatch)
        throw CommandError(kExitCopyMismatch, "a copy did not read back the same as its source");
}

void putFiles(const TransferOptions& options) {
    if (options.arguments.size() < 2)
        throw CommandError(kExitUsage, "put needs at least one PC file and a recorder folder");
    const rules::RecorderFolder folder = parseFolder(options.arguments.back());
    requireBatchSize(options.arguments.size() - 1);
    std::vector<rules::PcFile> files;
    for (std::size_t i = 0; i + 1 < options.arguments.size(); ++i)
        files.push_back(statPcFile(options.arguments[i]));

    RecorderSession session;
    const rules::RecorderListing listing = session.listFolder(folder);
    const rules::DownloadPlan plan =
        rules::planDownload(listing, folder, files, overwritePolicy(options.force),
                            options.replaceInPlace ? rules::Replacing::InPlaceWhenNoRoom
                                                   : rules::Replacing::KeepOldUntilNewIsWhole);
    if (plan.outcome == rules::PlanOutcome::Refused) throw CommandError(kExitRefused, plan.message);
    if (plan.outcome == rules::PlanOutcome::NoRoomForBothCopies)
        throw CommandError(kExitRefused,
                           plan.message + " Give --replace-in-place to replace it that way.");
    if (plan.outcome == rules::PlanOutcome::Declined)
        throw CommandError(kExitNotConfirmed,
                           "a file of that name is on the recorder; give --force to replace it");

    // Every name is checked before anything is sent.
    for (const rules::DownloadAction& action : plan.actions) {
        if (action.kind != rules::DownloadAction::Kind::SendPcFile) continue;
        const std::string_view name = rules::pcFileName(action.name);
        if (auto reason = vox::session::unstorableNameReason(name, session.versionByte()))
            throw CommandError(kExitRefused, rules::unstorableNameText(name, *reason));
        if (auto clash = vox::session::shortNameClashText(listing, name, session.versionByte()))
            throw CommandError(kExitRefused, *clash);
    }

    // Each file is sent right after the deletes planned in front of it.
    std::vector<BatchFile> batch;
    std::vector<std::string> deletes;
    for (const rules::DownloadAction& action : plan.actions) {
        if (action.kind == rules::DownloadAction::Kind::DeleteRecorderFile) {
            deletes.push_back(action.name);
            continue;
        }
        const std::string label =
            progressLabel(rules::pcFileName(action.name), batch.size(), plan.filesSent);
        auto prepare = [&session, deleted = std::move(deletes)] {
            throwIfInterrupted();
            for (const std::string& name : deleted) deleteRecorderFile(session.link(), name);
        };
        TransferFile file{TransferFile::Direction::ToRecorder, action.name, {}, {}};
        if (action.replaces)
            file.replaces =
                vox::session::Replacement{rules::folderListingName(folder), *action.replaces};
        batch.push_back({std::move(file), label, std::move(prepare)});
        deletes.clear();
    }
    InterruptGuard guard;
    runBatch(session.link(), std::move(batch));
    if (options.verify) checkSentFiles(session, folder, plan);
}

bool isPcDirectory(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool pcPathExists(const std::string& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0;
}

// Each file is fetched into a file of ours, fetched a second time and
// compared, and only a copy that reads back the same takes its name; a PC
// file it would replace stays as it was when the copy is bad.
void fetchCheckedFiles(RecorderSession& session, const std::vector<RecorderPath>& paths,
                       const rules::UploadPlan& plan) {
    bool mismatch = false;
    for (std::size_t i = 0; i < plan.items.size(); ++i) {
        throwIfInterrupted();
        const rules::UploadItem& item = plan.items[i];
        OwnFile copy(item.pcPath);
        fetchInto(session, paths[i].folder, item.recorderName, copy.path(),
                  progressLabel(rules::pcFileName(item.pcPath), i, plan.items.size()));
        if (!readsBackTheSame(session, paths[i].folder, item.recorderName, copy.path())) {
            mismatch = true;
            std::cerr << "voxctl: " << rules::printable(item.pcPath)
                      << ": the copy did not read back the same; it was removed\n";
            continue;
        }
        if (std::rename(copy.path().c_str(), item.pcPath.c_str()) != 0)
            throw CommandError(kExitPcFile, item.pcPath + ": " + std::strerror(errno));
        copy.release();
    }
    if (mismatch)
        throw CommandError(kExitCopyMismatch,
                           "a copy did not read back the same as the recorder's file");
}

void getFiles(const TransferOptions& options) {
    std::vector<std::string> names = options.arguments;
    std::string target = ".";
    // The last argument is the PC folder when it is one, or when it cannot
    // be a recorder file.
    if (names.size() >= 2 && (isPcDirectory(names.back()) || !isRecorderPath(names.back()))) {
        target = names.back();
        names.pop_back();
    }
    if (!isPcDirectory(target)) throw CommandError(kExitPcFile, target + " is not a PC folder");
    requireBatchSize(names.size());
    std::vector<RecorderPath> paths;
    for (const std::string& name : names) paths.push_back(parseRecorderPath(name));

    RecorderSession session;
    std::vector<rules::ListedFile> selection;
    for (const RecorderPath& path : paths) {
        const rules::RecorderListing listing = session.listFolder(path.folder);
        selection.push_back(listing.files[RecorderSession::requireFile(listing, path)]);
    }
    const rules::UploadPlan plan = rules::planUpload(
        selection, target, pcPathExists, overwritePolicy(options.force), rules::plainName);
    if (plan.outcome == rules::PlanOutcome::Refused) throw CommandError(kExitRefused, plan.message);
    if (plan.outcome == rules::PlanOutcome::Declined)
        throw CommandError(kExitNotConfirmed,
                           "a file of that name is on the PC; give --force to replace it");

    InterruptGuard guard;
    if (options.verify) return fetchCheckedFiles(session, paths, plan);
    std::vector<BatchFile> batch;
    for (std::size_t i = 0; i < plan.items.size(); ++i) {
        const rules::UploadItem& item = plan.items[i];
        // The recorder reads names from the folder listed last. The library
        // replaces the PC file only once the whole file has arrived.
        auto prepare = [&session, folder = paths[i].folder] {
            throwIfInterrupted();
            session.listFolder(folder);
        };
        batch.push_back({{TransferFile::Direction::ToPc, item.pcPath, item.recorderName, {}},
                         progressLabel(rules::pcFileName(item.pcPath), i, plan.items.size()),
                         std::move(prepare)});
    }
    runBatch(session.link(), std::move(batch));
}

}  // namespace

void addTransferCommands(CLI::App& app) {
    auto put = std::make_shared<TransferOptions>();
    CLI::App* putCommand = app.add_subcommand(
        "put",
        "Copy PC files onto the recorder: put FILE... FOLDER (A, B and C take .DVF, "
        "MP3 takes .MP3 and .WMA, HD takes any file)");
    putCommand->add_option("FILE... FOLDER", put->arguments, "PC files, then a recorder folder")
        ->required();
    putCommand->add_flag("-f,--force", put->force,
                         "Replace recorder files of the same name without asking");
    putCommand->add_flag("--replace-in-place", put->replaceInPlace,
                         "Where the folder has no room for both copies, delete a replaced "
                         "recorder file before its successor is sent");
    putCommand->add_flag("--verify", put->verify,
                         "Read each file back from the recorder and compare it with the PC file");
    putCommand->callback([put] { putFiles(*put); });

    auto get = std::make_shared<TransferOptions>();
    CLI::App* getCommand = app.add_subcommand(
        "get", "Copy recorder files onto the PC: get FOLDER/NAME... [DIR] (DIR defaults to .)");
    getCommand
        ->add_option("FOLDER/NAME... [DIR]", get->arguments,
                     "Recorder files, then optionally a PC folder")
        ->required();
    getCommand->add_flag("-f,--force", get->force,
                         "Replace PC files of the same name without asking");
    getCommand->add_flag("--verify", get->verify,
                         "Fetch each file a second time and compare it with the PC copy");
    getCommand->callback([get] { getFiles(*get); });
}

}  // namespace vox::voxctl
