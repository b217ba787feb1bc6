// encode and decode: WAV files into the recorder's ".DVF" voice files beside
// them, and back, by the program's conversion rules; several files are
// converted side by side, one stream per core.

#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/conversion/conversion_batch.h"
#include "engine/conversion/convert_command.h"
#include "platform/messages/queue_target.h"
#include "platform/messages/worker.h"
#include "tools/voxctl/command_error.h"
#include "tools/voxctl/commands.h"
#include "tools/voxctl/terminal.h"
#include "tools/voxctl/transfer_runner.h"

namespace vox::voxctl {

namespace {

using conversion::ConvertDecision;
using conversion::ConvertDirection;

struct ConversionOptions {
    std::vector<std::string> files;
    std::string quality = "SP";
    bool force = false;
};

const std::map<std::string, int> kQualityIndex{{"LP", 0}, {"SP", 1}, {"HQ", 2}};

// Why `path` cannot be a conversion's input (never read: a FIFO would wait
// for a writer); none when it is a plain file.
std::optional<std::string> inputRefusal(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return errno == ENOENT ? std::string("no such file") : std::string(std::strerror(errno));
    if (S_ISDIR(status.st_mode)) return "is a folder, not a file";
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) return "is a device, not a file";
    if (!S_ISREG(status.st_mode)) return "is a FIFO or socket, not a file";
    return std::nullopt;
}

// Applies the Convert command's rules to FILE as the one selected item of
// its folder.
conversion::ConversionRequest decide(const std::string& file, const ConversionOptions& options,
                                     ConvertDirection direction) {
    const std::filesystem::path path(file);
    std::string folder = path.parent_path().string();
    if (!folder.empty() && folder.back() != '/') folder += '/';
    conversion::ConvertSelection selection{
        {path.filename().string()}, folder, direction, kQualityIndex.at(options.quality), false};
    const ConvertDecision decision = conversion::decideConvert(
        selection, [](const std::string& candidate) { return std::filesystem::exists(candidate); });
    if (decision.action == ConvertDecision::Action::ShowMessage)
        throw CommandError(kExitRefused, decision.message);
    if (decision.action == ConvertDecision::Action::AskOverwrite && !options.force &&
        !askYesNo(decision.message))
        throw CommandError(kExitNotConfirmed, "\"" + decision.request.destinationPath +
                                                  "\" exists; give --force to replace it");
    if (auto reason = inputRefusal(decision.request.sourcePath))
        throw CommandError(kExitPcFile, decision.request.sourcePath + ": " + *reason);
    return decision.request;
}

// Why a file of the batch was not converted.
CommandError failure(const conversion::BatchJob& job, const conversion::BatchResult& result) {
    // A refused input's cause, when known, comes before the program's text.
    if (!result.message.empty())
        return CommandError(kExitRefused, result.failure.empty()
                                              ? result.message
                                              : result.failure + ". " + result.message);
    if (result.cancelled) return CommandError(kExitCancelled, "Conversion canceled.");
    return CommandError(kExitPcFile, "converting \"" + job.sourcePath + "\" to \"" +
                                         job.destinationPath + "\" failed" +
                                         (result.failure.empty() ? "" : ": " + result.failure));
}

constexpr messages::Message kBatchProgress = 1;
constexpr messages::Message kBatchDone = 2;

// Runs the batch on a thread of its own while this thread draws one
// progress bar for all files (their mean percentage) and hands Ctrl-C on.
std::vector<conversion::BatchResult> runDrawn(const std::vector<conversion::BatchJob>& jobs) {
    const std::string label =
        jobs.size() == 1 ? std::filesystem::path(jobs.front().destinationPath).filename().string()
                         : std::to_string(jobs.size()) + " files";
    ProgressBar bar(label);
    std::vector<int> percents(jobs.size(), 0);
    std::atomic<bool> done = false;
    messages::QueueTarget target(
        [&](messages::Message message, messages::WParam job, messages::LParam percent) {
            if (message == kBatchProgress && job < percents.size()) {
                percents[job] = static_cast<int>(percent);
                long sum = 0;
                for (int p : percents) sum += p;
                bar.updatePercent(static_cast<int>(sum / static_cast<long>(percents.size())));
            }
            return messages::LResult{0};
        });

    int cancel = 0;
    conversion::BatchOptions options;
    options.codec = conversion::recorderVoiceCodec();
    options.cancel = &cancel;
    options.progress = [&target](std::size_t job, int percent) {
        target.send(kBatchProgress, job, percent);
    };
    std::vector<conversion::BatchResult> results;
    InterruptGuard guard;
    messages::Worker worker([&] {
        results = conversion::runConversionBatch(jobs, options);
        done = true;
        target.post(kBatchDone, 0, 0);  // wakes the pump
        return 0;
    });
    pumpToEnd(
        target, [&] { return done.load(); }, [&] { std::atomic_ref<int>(cancel).store(1); });
    worker.join();
    bar.finish();
    return results;
}

// Converts every FILE; a file that cannot be converted is reported and the
// others go on. The exit status is that of the first file that failed; with
// several files a last line counts the failures.
void runConversions(const ConversionOptions& options, ConvertDirection direction) {
    std::vector<std::optional<CommandError>> failures(options.files.size());
    std::vector<conversion::BatchJob> jobs;
    std::vector<std::size_t> fileOfJob;
    for (std::size_t i = 0; i < options.files.size(); ++i) {
        try {
            const conversion::ConversionRequest request =
                decide(options.files[i], options, direction);
            jobs.push_back({request.sourcePath, request.destinationPath, direction,
                            kQualityIndex.at(options.quality)});
            fileOfJob.push_back(i);
        } catch (const CommandError& error) {
            if (options.files.size() == 1) throw;
            failures[i] = error;
        }
    }
    const std::vector<conversion::BatchResult> results =
        jobs.empty() ? std::vector<conversion::BatchResult>{} : runDrawn(jobs);
    for (std::size_t j = 0; j < jobs.size(); ++j)
        if (!results[j].converted) failures[fileOfJob[j]] = failure(jobs[j], results[j]);

    std::size_t failed = 0;
    std::optional<ExitStatus> firstStatus;
    for (std::size_t j = 0; j < jobs.size(); ++j)
        if (results[j].converted) std::cout << jobs[j].destinationPath << '\n';
    for (const auto& error : failures) {
        if (!error) continue;
        if (options.files.size() == 1) throw *error;
        std::cerr << "voxctl: " << error->what() << '\n';
        if (!firstStatus) firstStatus = error->status();
        ++failed;
    }
    if (firstStatus)
        throw CommandError(*firstStatus, std::to_string(failed) + " of " +
                                             std::to_string(options.files.size()) +
                                             " files were not converted");
}

}  // namespace

void addConversionCommands(CLI::App& app) {
    auto encodeOptions = std::make_shared<ConversionOptions>();
    CLI::App* encode = app.add_subcommand(
        "encode", "Convert 8 kHz, 16-bit mono WAV files into .DVF voice files beside them");
    encode->add_option("FILE", encodeOptions->files, "WAV files")->required();
    encode->add_option("--quality", encodeOptions->quality, "LP (6.4), SP (8) or HQ (11.8 kbit/s)")
        ->check(CLI::IsMember({"LP", "SP", "HQ"}))
        ->capture_default_str();
    encode->add_flag("--force", encodeOptions->force, "Replace existing .DVF files without asking");
    encode->callback(
        [encodeOptions] { runConversions(*encodeOptions, ConvertDirection::WavToDvf); });

    auto decodeOptions = std::make_shared<ConversionOptions>();
    CLI::App* decode =
        app.add_subcommand("decode", "Convert .DVF voice files into WAV files beside them");
    decode->add_option("FILE", decodeOptions->files, ".DVF files")->required();
    decode->add_flag("--force", decodeOptions->force, "Replace existing WAV files without asking");
    decode->callback(
        [decodeOptions] { runConversions(*decodeOptions, ConvertDirection::DvfToWav); });
}

}  // namespace vox::voxctl
