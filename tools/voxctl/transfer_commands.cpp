// put and get: PC files onto the recorder and recorder files onto the PC,
// planned and carried out by the transfer session, with --verify's checked
// copies on top.

#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "engine/import/pc_placement.h"
#include "engine/rules/download_plan.h"
#include "engine/rules/rule_texts.h"
#include "engine/rules/text_case.h"
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

void requireBatchSize(std::size_t files) {
    if (files > rules::kBatchLimit)
        throw CommandError(kExitUsage, "at most " + std::to_string(rules::kBatchLimit) +
                                           " files can be copied in one command");
}

void throwIfInterrupted() {
    if (InterruptGuard::interrupted()) throw CommandError(kExitCancelled, rules::texts::kCancelled);
}

rules::PcFile statPcFile(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        throw CommandError(kExitPcFile, path + ": " + std::strerror(errno));
    return {path, static_cast<std::uint64_t>(status.st_size), S_ISDIR(status.st_mode)};
}

// Every file sent is fetched back into a file of ours and compared with its
// PC source; a recorder copy that differs is deleted, so that no wrong copy
// stays behind looking right.
void checkSentFiles(RecorderSession& session, rules::RecorderFolder folder,
                    const std::vector<rules::PcFile>& sent) {
    bool mismatch = false;
    for (const rules::PcFile& file : sent) {
        throwIfInterrupted();
        const std::string name(rules::pcFileName(file.path));
        const rules::RecorderListing listing = session.listFolder(folder);
        const auto row = rules::findFile(listing, name);
        if (!row)
            throw CommandError(kExitNotFound,
                               "\"" + name + "\" is not on the recorder after sending it");
        const std::string shortName = listing.files[*row].shortName;
        // Beside the source might be read-only media.
        const OwnFile readBack((std::filesystem::temp_directory_path() / "voxctl-check").string());
        fetchInto(session, folder, shortName, readBack.path(), "checking " + name);
        if (importing::sameContent(file.path, readBack.path())) continue;
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
    session::SendRequest request;
    request.folder = folder;
    request.listing = session.listFolder(folder);
    request.versionByte = session.versionByte();
    request.files = std::move(files);
    InterruptGuard guard;
    runSend(session.link(), request, {options.force, options.replaceInPlace});
    if (options.verify) checkSentFiles(session, folder, request.files);
}

bool isPcDirectory(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// Each file is fetched into a file of ours, fetched a second time and
// compared, and only a copy that reads back the same takes its name; a PC
// file it would replace stays as it was when the copy is bad.
void fetchCheckedFiles(RecorderSession& session, const session::SessionPlan& plan) {
    bool mismatch = false;
    for (std::size_t i = 0; i < plan.files.size(); ++i) {
        throwIfInterrupted();
        const session::SessionFile& file = plan.files[i];
        const std::string& pcPath = file.transfer.pcPath;
        const std::string& shortName = file.transfer.recorderName;
        OwnFile copy(pcPath);
        fetchInto(session, file.folder, shortName, copy.path(),
                  progressLabel(rules::pcFileName(pcPath), i, plan.files.size()));
        if (!readsBackTheSame(session, file.folder, shortName, copy.path())) {
            mismatch = true;
            std::cerr << "voxctl: " << rules::printable(pcPath)
                      << ": the copy did not read back the same; it was removed\n";
            continue;
        }
        if (std::rename(copy.path().c_str(), pcPath.c_str()) != 0)
            throw CommandError(kExitPcFile, pcPath + ": " + std::strerror(errno));
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
    session::FetchRequest request;
    for (const RecorderPath& path : paths) {
        const rules::RecorderListing listing = session.listFolder(path.folder);
        request.files.push_back(
            {path.folder, listing.files[RecorderSession::requireFile(listing, path)]});
    }
    request.pcFolder = target;
    request.pcNameOf = rules::plainName;
    if (!paths.empty()) request.listedLast = paths.back().folder;

    InterruptGuard guard;
    const TransferAnswers answers{options.force, false};
    if (options.verify) return fetchCheckedFiles(session, planFetch(request, answers));
    runFetch(session.link(), request, answers);
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
