// sim create: makes an image file for the simulated recorder; sim unplug and
// sim plug pull its cable and put it back in whichever process holds it.

#include <CLI/CLI.hpp>
#include <cctype>
#include <filesystem>
#include <memory>

#include "platform/stack/simulator_cable.h"
#include "recorder_model/recorder.h"
#include "tools/voxctl/command_error.h"
#include "tools/voxctl/commands.h"

namespace vox::voxctl {

namespace {

struct SimulatorOptions {
    std::string image;
    std::string firmware = "1.5";
    std::string capacity = "64M";
    std::string model = "QZ-410T";
    bool empty = false;
};

// "64M", "512K", "1G" or plain bytes.
std::uint64_t parseCapacity(const std::string& text) {
    std::size_t digits = 0;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
    const std::string unit = text.substr(digits);
    std::uint64_t shift = 0;
    if (unit == "K" || unit == "k")
        shift = 10;
    else if (unit == "M" || unit == "m")
        shift = 20;
    else if (unit == "G" || unit == "g")
        shift = 30;
    else if (!unit.empty())
        digits = 0;
    if (digits == 0 || digits > 6)
        throw CommandError(kExitUsage, "capacity \"" + text + "\" is not a size such as 64M");
    return std::stoull(text.substr(0, digits)) << shift;
}

void createSimulatorImage(const SimulatorOptions& options) {
    const bool versionText = options.firmware.size() == 3 && options.firmware[1] == '.' &&
                             std::isdigit(static_cast<unsigned char>(options.firmware[0])) &&
                             std::isdigit(static_cast<unsigned char>(options.firmware[2]));
    if (!versionText)
        throw CommandError(kExitUsage, "firmware \"" + options.firmware + "\" is not like 1.5");
    if (options.model.size() != 7)
        throw CommandError(kExitUsage, "the model name has 7 characters, e.g. QZ-410T");
    model::RecorderOptions recorder;
    recorder.firmwareVersion = options.firmware;
    recorder.modelName = options.model;
    recorder.capacityBytes = parseCapacity(options.capacity);
    recorder.sampleContent = !options.empty;
    std::string error;
    if (!model::Recorder::createImage(options.image, recorder, error))
        throw CommandError(kExitPcFile, error);
}

void setCable(const std::string& image, stack::CableState state) {
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(image, ignored))
        throw CommandError(kExitPcFile, "no recorder image at " + image);
    std::string error;
    if (!stack::writeCableState(image, state, error)) throw CommandError(kExitPcFile, error);
}

}  // namespace

void addSimulatorCommands(CLI::App& app) {
    CLI::App* sim = app.add_subcommand("sim", "The simulated recorder");
    sim->require_subcommand(1);
    auto options = std::make_shared<SimulatorOptions>();
    CLI::App* create = sim->add_subcommand(
        "create", "Make a simulated recorder's image file, with a few files in each folder");
    create->add_option("IMAGE", options->image, "Image file to write")->required();
    create->add_option("--firmware", options->firmware, "Firmware version, e.g. 1.5 or 0.9")
        ->capture_default_str();
    create->add_option("--capacity", options->capacity, "Main store size, e.g. 64M")
        ->capture_default_str();
    create->add_option("--model", options->model, "Model name (7 characters)")
        ->capture_default_str();
    create->add_flag("--empty", options->empty, "Freshly formatted, without sample files");
    create->callback([options] { createSimulatorImage(*options); });

    CLI::App* unplug = sim->add_subcommand(
        "unplug", "Pull the simulated recorder's cable in the program that has the image open");
    unplug->add_option("IMAGE", options->image, "Image file of the simulated recorder")->required();
    unplug->callback([options] { setCable(options->image, stack::CableState::Unplugged); });
    CLI::App* plug = sim->add_subcommand(
        "plug", "Put the simulated recorder's cable back in the program that has the image open");
    plug->add_option("IMAGE", options->image, "Image file of the simulated recorder")->required();
    plug->callback([options] { setCable(options->image, stack::CableState::Plugged); });
}

}  // namespace vox::voxctl
