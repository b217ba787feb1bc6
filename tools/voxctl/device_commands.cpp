// info, status, ls and format: what the recorder is and holds, and wiping it.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>

#include "engine/rules/listed_entry.h"
#include "engine/rules/rule_texts.h"
#include "engine/rules/size_text.h"
#include "tools/voxctl/command_error.h"
#include "tools/voxctl/commands.h"
#include "tools/voxctl/listing_output.h"
#include "tools/voxctl/recorder_session.h"
#include "tools/voxctl/terminal.h"
#include "tools/voxctl/transfer_runner.h"

namespace vox::voxctl {

namespace {

// The memory bar counts in display megabytes of 1,024,000 bytes.
constexpr std::uint32_t kDisplayMegabyte = 1024000;

void showInfo() {
    RecorderSession session;
    const PlayerInfo info = session.playerInfo();
    const rules::RecorderListing top = session.listTop();
    const std::string model(info.modelName, sizeof info.modelName);
    char version[8];
    std::snprintf(version, sizeof version, "%X.%X", session.versionByte() >> 4,
                  session.versionByte() & 0x0F);
    std::cout << "Model     " << model.c_str() << '\n'
              << "Firmware  " << version << '\n'
              << "Capacity  " << rules::sizeText(top.totalBytes) << '\n'
              << "Free      " << rules::sizeText(top.freeBytes) << '\n'
              << "Memory    " << (top.totalBytes - top.freeBytes) / kDisplayMegabyte << '/'
              << top.totalBytes / kDisplayMegabyte << "(MB)\n";
}

void showStatus() {
    RecorderSession session;
    std::cout << "Status    " << QVGetPlayerStatus(session.link()) << '\n';
}

struct ListOptions {
    std::string folder;
    bool json = false;
};

void showListing(const ListOptions& options) {
    RecorderSession session;
    std::string label;
    rules::RecorderListing listing;
    if (options.folder.empty()) {
        listing = session.listTop();
    } else {
        const rules::RecorderFolder folder = parseFolder(options.folder);
        label = rules::folderLabel(folder);
        listing = session.listFolder(folder);
    }
    if (options.json)
        printListingJson(std::cout, label, listing);
    else
        printListing(std::cout, listing);
    // What was listed is shown; that it is not all is the command's outcome.
    if (listing.moreThanShown)
        throw CommandError(kExitMoreThanShown,
                           rules::moreThanShownText(label, listing.files.size()));
}

void formatRecorder(bool confirmed) {
    RecorderSession session;
    const rules::RecorderListing top = session.listTop();
    if (!confirmed &&
        !(askYesNo(rules::texts::kFormatQuestion) && askYesNo(rules::texts::kFormatPlugWarning)))
        throw CommandError(kExitNotConfirmed, "format not confirmed (give --yes to format)");
    InterruptGuard formattingCannotBeCancelled;
    if (!runFormat(session.link(), top.totalBytes))
        throw CommandError(kExitUsbFailed, rules::texts::kUsbFailed);
}

}  // namespace

void addDeviceCommands(CLI::App& app) {
    app.add_subcommand("info", "Show the recorder's model, firmware version and memory")
        ->callback(showInfo);
    app.add_subcommand("status", "Show the recorder's status value")->callback(showStatus);

    auto list = std::make_shared<ListOptions>();
    CLI::App* ls = app.add_subcommand(
        "ls", "List a recorder folder (A, B, C, MP3, HD), or the folders themselves");
    ls->add_option("FOLDER", list->folder, "Recorder folder");
    ls->add_flag("--json", list->json, "Print one JSON document instead of columns");
    ls->callback([list] { showListing(*list); });

    auto yes = std::make_shared<bool>(false);
    CLI::App* format = app.add_subcommand(
        "format", "Delete everything on the recorder (cannot be cancelled once started)");
    format->add_flag("-y,--yes", *yes, "Do not ask; needed when not on a terminal");
    format->callback([yes] { formatRecorder(*yes); });
}

}  // namespace vox::voxctl
