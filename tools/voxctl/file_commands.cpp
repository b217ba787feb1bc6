// rm, up, down, rename, mkdir and rmdir: changes to the recorder's folders
// that take one command each.

#include <CLI/CLI.hpp>
#include <iostream>
#include <map>
#include <memory>

#include "engine/rules/recorder_edits.h"
#include "engine/rules/rule_texts.h"
#include "engine/rules/upload_plan.h"
#include "engine/session/delete_run.h"
#include "engine/session/recorder_move.h"
#include "tools/voxctl/command_error.h"
#include "tools/voxctl/commands.h"
#include "tools/voxctl/recorder_session.h"
#include "tools/voxctl/transfer_runner.h"

namespace vox::voxctl {

namespace {

// A file management export's result: 0 done, the recorder's outcome byte
// when it refused, -1 when the command could not be carried out.
void requireDone(int outcome, const std::string& what) {
    if (outcome < 0) throw CommandError(kExitUsbFailed, rules::texts::kUsbFailed);
    if (outcome > 0)
        throw CommandError(kExitRecorderSaidNo, "the recorder refused to " + what + " (outcome " +
                                                    std::to_string(outcome) + ")");
}

void requirePlainName(const std::string& name) {
    if (auto refusal = rules::unsafeNameRefusal(name))
        throw CommandError(kExitRefused, "\"" + name + "\" is not a plain file name");
}

void removeFiles(const std::vector<std::string>& arguments) {
    std::vector<RecorderPath> paths;
    for (const std::string& argument : arguments) paths.push_back(parseRecorderPath(argument));
    RecorderSession session;
    // Every name is found before anything is deleted.
    std::map<rules::RecorderFolder, std::vector<std::size_t>> rowsByFolder;
    std::map<rules::RecorderFolder, rules::RecorderListing> listings;
    for (const RecorderPath& path : paths) {
        if (!listings.count(path.folder)) listings[path.folder] = session.listFolder(path.folder);
        rowsByFolder[path.folder].push_back(
            RecorderSession::requireFile(listings[path.folder], path));
    }
    InterruptGuard guard;
    session::DeleteListener quiet;
    for (const auto& [folder, rows] : rowsByFolder) {
        session.listFolder(folder);
        std::vector<std::string> names;
        for (std::size_t row : rules::deletionOrder(rows))
            names.push_back(listings[folder].files[row].shortName);
        const session::DeleteResult result =
            session::deleteFiles(session.link(), names, InterruptGuard::interrupted, quiet);
        if (result.end == session::DeleteEnd::Cancelled)
            throw CommandError(kExitCancelled, rules::texts::kCancelled);
        if (result.end == session::DeleteEnd::Failed)
            requireDone(result.outcome, "delete \"" + names[result.deleted] + "\"");
    }
}

void moveFile(const std::string& argument, bool up) {
    const RecorderPath path = parseRecorderPath(argument);
    RecorderSession session;
    const rules::RecorderListing listing = session.listFolder(path.folder);
    const std::size_t row = RecorderSession::requireFile(listing, path);
    const auto moved = session::moveFile(listing, row, up, [&session] { return session.link(); });
    if (!moved) {
        std::cerr << "voxctl: " << path.name << " is already the " << (up ? "first" : "last")
                  << " file of its folder\n";
        return;
    }
    requireDone(moved->answer, "move \"" + path.name + "\"");
}

void renameFile(const std::string& argument, const std::string& newName) {
    const RecorderPath path = parseRecorderPath(argument);
    requirePlainName(newName);
    RecorderSession session;
    const rules::RecorderListing listing = session.listFolder(path.folder);
    const std::size_t row = RecorderSession::requireFile(listing, path);
    const auto existing = rules::findTypedName(listing, newName);
    if (existing && *existing != row)
        throw CommandError(kExitRefused, "\"" + newName + "\" is already in that folder");
    requireDone(QVRenameFile(session.link(), listing.files[row].shortName.c_str(), newName.c_str(),
                             STORE_MAIN),
                "rename \"" + path.name + "\"");
}

// Folders live inside the recorder folders (the top of the store holds only
// those five); the recorder acts in the folder listed last.
struct FolderTarget {
    rules::RecorderListing listing;
    std::string name;
};

FolderTarget listFolderOf(RecorderSession& session, const std::string& argument) {
    const RecorderPath path = parseRecorderPath(argument);
    return {session.listFolder(path.folder), path.name};
}

void makeFolder(const std::string& argument) {
    RecorderSession session;
    const FolderTarget target = listFolderOf(session, argument);
    requirePlainName(target.name);
    if (rules::findTypedName(target.listing, target.name))
        throw CommandError(kExitRefused, "\"" + target.name + "\" is already there");
    requireDone(QVMakeDirectory(session.link(), target.name.c_str(), STORE_MAIN),
                "make folder \"" + target.name + "\"");
}

void removeFolder(const std::string& argument) {
    RecorderSession session;
    const FolderTarget target = listFolderOf(session, argument);
    const auto row = rules::findTypedName(target.listing, target.name);
    if (!row || !rules::isFolder(target.listing.files[*row]))
        throw CommandError(kExitNotFound, "no recorder folder \"" + argument + "\"");
    requireDone(
        QVRemoveDirectory(session.link(), target.listing.files[*row].shortName.c_str(), STORE_MAIN),
        "remove folder \"" + target.name + "\"");
}

}  // namespace

void addFileCommands(CLI::App& app) {
    auto removed = std::make_shared<std::vector<std::string>>();
    CLI::App* rm = app.add_subcommand("rm", "Delete recorder files: rm FOLDER/NAME...");
    rm->add_option("FOLDER/NAME", *removed, "Recorder files")->required();
    rm->callback([removed] { removeFiles(*removed); });

    for (const bool up : {true, false}) {
        auto moved = std::make_shared<std::string>();
        CLI::App* command = app.add_subcommand(
            up ? "up" : "down",
            up ? "Move a recorder file one place up in its folder's play order"
               : "Move a recorder file one place down in its folder's play order");
        command->add_option("FOLDER/NAME", *moved, "Recorder file")->required();
        command->callback([moved, up] { moveFile(*moved, up); });
    }

    auto renamed = std::make_shared<std::pair<std::string, std::string>>();
    CLI::App* rename =
        app.add_subcommand("rename", "Rename a recorder file: rename FOLDER/NAME NEWNAME");
    rename->add_option("FOLDER/NAME", renamed->first, "Recorder file")->required();
    rename->add_option("NEWNAME", renamed->second, "Its new name")->required();
    rename->callback([renamed] { renameFile(renamed->first, renamed->second); });

    auto made = std::make_shared<std::string>();
    CLI::App* mkdir =
        app.add_subcommand("mkdir", "Make a folder inside a recorder folder: mkdir FOLDER/NAME");
    mkdir->add_option("FOLDER/NAME", *made, "The new folder")->required();
    mkdir->callback([made] { makeFolder(*made); });

    auto unmade = std::make_shared<std::string>();
    CLI::App* rmdir = app.add_subcommand(
        "rmdir", "Remove an empty folder from a recorder folder: rmdir FOLDER/NAME");
    rmdir->add_option("FOLDER/NAME", *unmade, "The folder")->required();
    rmdir->callback([unmade] { removeFolder(*unmade); });
}

}  // namespace vox::voxctl
