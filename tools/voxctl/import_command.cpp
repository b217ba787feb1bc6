// import: the recordings that are new since the last import, copied off the
// recorder into dated files; with --watch, each time the recorder is
// plugged in.

#include <poll.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "engine/import/import_names.h"
#include "engine/rules/rule_texts.h"
#include "platform/stack/device_stack.h"
#include "tools/voxctl/command_error.h"
#include "tools/voxctl/commands.h"
#include "tools/voxctl/import_run.h"
#include "tools/voxctl/recorder_session.h"
#include "tools/voxctl/transfer_runner.h"

namespace vox::voxctl {

namespace {

// The exit status an import that ran to its end deserves.
void requireClean(const ImportSummary& summary) {
    if (summary.copyMismatch)
        throw CommandError(kExitCopyMismatch,
                           "a copy did not read back the same as the recorder's file");
    if (summary.deleteRefused)
        throw CommandError(kExitRecorderSaidNo,
                           "a recording could not be deleted from the recorder");
    if (!summary.failed.empty())
        throw CommandError(kExitPcFile, "some recordings were not imported");
    if (summary.moreThanShown)
        throw CommandError(kExitMoreThanShown,
                           "a folder holds more recordings than were seen; import them after "
                           "deleting or moving some");
}

void importOnce(const ImportOptions& options) {
    ImportSummary summary;
    try {
        importRecordings(options, summary);
    } catch (const CommandError&) {
        // What was done is said, whatever ended the import.
        if (!summary.imported.empty() || summary.skipped > 0 || !summary.failed.empty())
            printImportSummary(options, summary);
        throw;
    }
    printImportSummary(options, summary);
    requireClean(summary);
}

// How often an idle watch looks whether the recorder was plugged in.
constexpr int kCheckIntervalMs = 1000;

// Waits until the next check; false when Ctrl-C came first (a signal ends
// the wait at once).
bool awaitNextCheck() {
    if (InterruptGuard::interrupted()) return false;
    ::poll(nullptr, 0, kCheckIntervalMs);
    return !InterruptGuard::interrupted();
}

// A recorder seen plugged in and what the watch made of it.
struct Plugging {
    std::uint64_t which = 0;  // as stack::recorderPlugging() tells it
    bool done = false;        // imported, or given up on until the next plugging-in
    // Looks left at a recorder that is plugged in but not found by the
    // device stack (one the user may not open, or a kernel driver holds).
    int triesLeft = 5;
    std::string lastSaid;  // a failure is said once
};

// One import from the recorder of `plugging`. Another program holding it
// is waited for (tried again at the next look); a recorder the device stack
// does not find is tried a few times, then left until it is plugged in again.
void importPlugging(const ImportOptions& options, Plugging& plugging) {
    try {
        importOnce(options);
        plugging.done = true;
    } catch (const CommandError& error) {
        if (error.status() == kExitCancelled || InterruptGuard::interrupted()) throw;
        if (error.what() != plugging.lastSaid && error.status() != kExitNoRecorder)
            std::cerr << "voxctl: " << error.what() << '\n';
        plugging.lastSaid = error.what();
        if (error.status() == kExitNoRecorder)
            plugging.done = --plugging.triesLeft <= 0;
        else
            plugging.done = error.status() != kExitBusy;
    }
}

// Imports each time the recorder is plugged in. Between imports the watch
// holds neither the recorder nor its device stack, so that other commands
// and the program can use it; it looks at the bus (or the simulated cable)
// without opening anything, once a second.
void watchAndImport(const ImportOptions& options) {
    InterruptGuard guard;
    std::cerr << "voxctl: waiting for the recorder (Ctrl-C ends)\n";
    std::unique_ptr<Plugging> seen;  // none while no recorder is plugged in
    for (;;) {
        const std::optional<std::uint64_t> plugging = stack::recorderPlugging();
        if (!plugging) {
            seen.reset();
        } else {
            if (!seen || seen->which != *plugging) {
                seen = std::make_unique<Plugging>();
                seen->which = *plugging;
            }
            if (!seen->done) {
                importPlugging(options, *seen);
                releaseRecorder();
                std::cout.flush();
            }
        }
        if (!awaitNextCheck()) throw CommandError(kExitCancelled, rules::texts::kCancelled);
    }
}

void runImport(const ImportOptions& options) {
    if (options.namePattern.size() > importing::kMaxPatternLength)
        throw CommandError(kExitUsage, "the --name pattern is longer than 200 characters");
    if (options.watch) return watchAndImport(options);
    importOnce(options);
}

}  // namespace

void addImportCommand(CLI::App& app) {
    auto options = std::make_shared<ImportOptions>();
    options->namePattern = importing::kDefaultNamePattern;
    CLI::App* command = app.add_subcommand(
        "import",
        "Copy the recordings not imported before into DIR (default: the music folder's "
        "\"Voice recorder\"), one subfolder per recorder folder");
    command->add_option("DIR", options->folder, "The import folder");
    command
        ->add_option("--name", options->namePattern,
                     "File name pattern: strftime fields of the recording's date, {name} and "
                     "{folder}")
        ->capture_default_str();
    command->add_flag("--all", options->all, "Also import the MP3 and HD folders");
    command->add_flag("--wav", options->wav, "Also decode each voice recording to a WAV beside it");
    command->add_flag("--verify", options->verify,
                      "Read each recording again and compare it with its copy before keeping it");
    command->add_flag("--delete-after", options->deleteAfter,
                      "Delete each recording from the recorder once its copy was checked "
                      "(implies --verify)");
    command->add_flag("--json", options->json, "Report as JSON");
    command->add_flag("--watch", options->watch,
                      "Wait for the recorder and import each time it is plugged in");
    command->callback([options] {
        if (options->namePattern.empty())
            throw CommandError(kExitUsage, "the --name pattern is empty");
        runImport(*options);
    });
}

}  // namespace vox::voxctl
