// import: the recordings that are new since the last import, copied off the
// recorder into dated files; with --watch, each time the recorder is
// plugged in.

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <iostream>
#include <memory>

#include "engine/import/import_names.h"
#include "engine/rules/rule_texts.h"
#include "platform/devio/device_notifications.h"
#include "tools/voxctl/command_error.h"
#include "tools/voxctl/commands.h"
#include "tools/voxctl/import_run.h"
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

// Wakes the watch on every device-change notice; the bus's thread only
// writes a byte.
class NoticePipe {
  public:
    NoticePipe() {
        if (::pipe2(ends_, O_CLOEXEC | O_NONBLOCK) != 0)
            throw CommandError(kExitInternal, "cannot make a pipe");
        subscription_ = devio::subscribeDeviceChanges([this](unsigned) {
            const char byte = 1;
            (void)!::write(ends_[1], &byte, 1);
        });
    }
    ~NoticePipe() {
        devio::unsubscribeDeviceChanges(subscription_);
        ::close(ends_[0]);
        ::close(ends_[1]);
    }
    NoticePipe(const NoticePipe&) = delete;
    NoticePipe& operator=(const NoticePipe&) = delete;

    // Waits for a burst of notices to end (no notice for 100 ms, as the
    // program's device check waits); false when Ctrl-C came first.
    bool awaitChange() {
        int timeout = -1;
        for (;;) {
            pollfd readable{ends_[0], POLLIN, 0};
            const int ready = ::poll(&readable, 1, timeout);
            if (InterruptGuard::interrupted()) return false;
            if (ready < 0 && errno == EINTR) continue;
            if (ready == 0) return true;
            char drained[64];
            while (::read(ends_[0], drained, sizeof drained) > 0) {
            }
            timeout = 100;
        }
    }

  private:
    int ends_[2] = {-1, -1};
    int subscription_ = 0;
};

void watchAndImport(const ImportOptions& options) {
    InterruptGuard guard;
    NoticePipe notices;
    std::cerr << "voxctl: waiting for the recorder (Ctrl-C ends)\n";
    for (;;) {
        try {
            importOnce(options);
        } catch (const CommandError& error) {
            if (error.status() == kExitCancelled || InterruptGuard::interrupted()) throw;
            // No recorder yet, or one pulled out mid-way: wait for the next.
            if (error.status() != kExitNoRecorder) std::cerr << "voxctl: " << error.what() << '\n';
        }
        std::cout.flush();
        if (!notices.awaitChange()) throw CommandError(kExitCancelled, rules::texts::kCancelled);
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
