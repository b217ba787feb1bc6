// encode and decode: a WAV file into the recorder's ".DVF" voice file beside
// it, and back, by the program's conversion rules and workers.

#include <CLI/CLI.hpp>
#include <atomic>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <optional>

#include "application/conversion/conversion_job.h"
#include "application/conversion/convert_command.h"
#include "application/conversion/convert_notify.h"
#include "application/core/session/worker_notices.h"
#include "platform/messages/queue_target.h"
#include "tools/voxctl/command_error.h"
#include "tools/voxctl/commands.h"
#include "tools/voxctl/terminal.h"
#include "tools/voxctl/transfer_runner.h"

namespace vox::voxctl {

namespace {

using conversion::ConvertDecision;
using conversion::ConvertDirection;

struct ConversionOptions {
    std::string file;
    std::string quality = "SP";
    bool force = false;
};

const std::map<std::string, int> kQualityIndex{{"LP", 0}, {"SP", 1}, {"HQ", 2}};

// Applies the Convert command's rules to FILE as the one selected item of
// its folder.
conversion::ConversionRequest decide(const ConversionOptions& options, ConvertDirection direction) {
    const std::filesystem::path path(options.file);
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
    return decision.request;
}

// Runs the worker to its CONVERT_FINISHED, drawing its progress.
void runConversion(const ConversionOptions& options, ConvertDirection direction) {
    const conversion::ConversionRequest request = decide(options, direction);
    if (!std::filesystem::is_regular_file(request.sourcePath))
        throw CommandError(kExitPcFile, request.sourcePath + ": no such file");

    ProgressBar bar(std::filesystem::path(request.destinationPath).filename().string());
    bool finished = false;
    messages::QueueTarget target(
        [&](messages::Message message, messages::WParam code, messages::LParam lParam) {
            if (message != conversion::WM_CONVERT_NOTIFY) return messages::LResult{0};
            const auto event = session::readConversionNotice(code, lParam);
            if (!event) return messages::LResult{0};
            if (std::holds_alternative<session::ConversionStarted>(*event)) bar.updatePercent(0);
            if (const auto* progress = std::get_if<session::ConversionPercent>(&*event))
                bar.updatePercent(progress->percent);
            if (std::holds_alternative<session::ConversionFinished>(*event)) finished = true;
            return messages::LResult{0};
        });
    std::optional<std::string> refusal;
    conversion::ConversionJob job;
    job.sourcePath = request.sourcePath;
    job.destinationPath = request.destinationPath;
    job.quality = kQualityIndex.at(options.quality);
    job.notify = &target;
    job.codec = conversion::recorderVoiceCodec();
    job.showMessage = [&refusal](const std::string& text) { refusal = text; };

    // Ctrl-C stops the worker after its current block; the old output stays.
    int cancel = 0;
    job.cancel = &cancel;
    InterruptGuard guard;
    auto worker = direction == ConvertDirection::WavToDvf
                      ? conversion::startEncodeWorker(std::move(job))
                      : conversion::startDecodeWorker(std::move(job));
    pumpToEnd(
        target, [&] { return finished; }, [&] { std::atomic_ref<int>(cancel).store(1); });
    const int complete = worker->join();
    bar.finish();
    if (refusal) throw CommandError(kExitRefused, *refusal);
    if (complete == 0 && InterruptGuard::interrupted())
        throw CommandError(kExitCancelled, "Conversion canceled.");
    if (complete == 0)
        throw CommandError(kExitPcFile, "converting \"" + request.sourcePath + "\" to \"" +
                                            request.destinationPath + "\" failed");
    std::cout << request.destinationPath << '\n';
}

}  // namespace

void addConversionCommands(CLI::App& app) {
    auto encodeOptions = std::make_shared<ConversionOptions>();
    CLI::App* encode = app.add_subcommand(
        "encode", "Convert an 8 kHz, 16-bit mono WAV file into a .DVF voice file beside it");
    encode->add_option("FILE", encodeOptions->file, "WAV file")->required();
    encode->add_option("--quality", encodeOptions->quality, "LP (6.4), SP (8) or HQ (11.8 kbit/s)")
        ->check(CLI::IsMember({"LP", "SP", "HQ"}))
        ->capture_default_str();
    encode->add_flag("--force", encodeOptions->force,
                     "Replace an existing .DVF file without asking");
    encode->callback(
        [encodeOptions] { runConversion(*encodeOptions, ConvertDirection::WavToDvf); });

    auto decodeOptions = std::make_shared<ConversionOptions>();
    CLI::App* decode =
        app.add_subcommand("decode", "Convert a .DVF voice file into a WAV file beside it");
    decode->add_option("FILE", decodeOptions->file, ".DVF file")->required();
    decode->add_flag("--force", decodeOptions->force,
                     "Replace an existing WAV file without asking");
    decode->callback(
        [decodeOptions] { runConversion(*decodeOptions, ConvertDirection::DvfToWav); });
}

}  // namespace vox::voxctl
