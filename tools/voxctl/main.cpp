// voxctl: the recorder companion on the command line, over the same device
// access library and transfer rules as the program.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>

#include "platform/stack/device_stack.h"
#include "tools/voxctl/command_error.h"
#include "tools/voxctl/commands.h"
#include "tools/voxctl/recorder_session.h"
#include "tools/voxctl/terminal.h"

namespace vox::voxctl {

const char kExitStatusHelp[] =
    "Exit status:\n"
    "  0   done\n"
    "  1   unexpected internal failure\n"
    "  2   wrong command line, or a malformed VXR250_SIMULATOR_FAULTS\n"
    "  3   no recorder found (or the simulated recorder's image is not usable)\n"
    "  4   the recorder link is busy, or another program holds the simulated\n"
    "      recorder's image\n"
    "  5   refused by the transfer rules (file type, 99 files, free space, name)\n"
    "  6   no such file or folder on the recorder\n"
    "  7   a PC file could not be read, written or replaced\n"
    "  8   USB communication with the recorder failed\n"
    "  9   the recorder refused the command\n"
    "  10  an overwrite or format was not confirmed\n"
    "  11  a checked copy (--verify) did not read back the same; it was removed\n"
    "  12  a folder holds more entries than one listing shows; only the first\n"
    "      were listed or imported\n"
    "  130 cancelled with Ctrl-C (both sides left as they were)\n"
    "The recorder is the one the device I/O layer finds: the simulated recorder\n"
    "on the image that VXR250_SIMULATOR names, else a real one over USB.\n";

namespace {

// Every command's --help ends with the exit statuses, nested ones included.
void giveExitStatusHelp(CLI::App& app) {
    for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
        command->footer(kExitStatusHelp);
        giveExitStatusHelp(*command);
    }
}

int run(int argc, char** argv) {
    // Named, so that usage lines read "voxctl" however it was started.
    CLI::App app{"voxctl: copy files onto and off the VX-R250 recorder, and manage it.", "voxctl"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "voxctl " VOX_VERSION);
    app.footer(kExitStatusHelp);
    app.add_flag_callback("-v,--verbose", showDiagnostics,
                          "Show the device library's diagnostic lines (on stderr)");
    addDeviceCommands(app);
    addTransferCommands(app);
    addFileCommands(app);
    addSimulatorCommands(app);
    addSetupCommands(app);
    addConversionCommands(app);
    addImportCommand(app);
    addOrderCommands(app);
    addDoctorCommand(app);
#ifdef VOXCTL_MOUNT
    addMountCommands(app);
#endif
    giveExitStatusHelp(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return status == 0 ? kExitOk : kExitUsage;
    } catch (const CommandError& error) {
        std::fprintf(stderr, "voxctl: %s\n", error.what());
        return error.status();
    }
    return kExitOk;
}

}  // namespace
}  // namespace vox::voxctl

int main(int argc, char** argv) {
    vox::voxctl::reserveStdoutForResults();
    vox::stack::installDeviceStack(vox::voxctl::rememberStackProblem);
    try {
        return vox::voxctl::run(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "voxctl: %s\n", error.what());
    }
    return vox::voxctl::kExitInternal;
}
