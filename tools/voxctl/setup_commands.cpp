// setup-driver: installs the recorder's driver package on this machine, the
// udev rule that lets the user at the seat open the recorder without root.
// Run once, as root; --dry-run shows what it would install and run.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "driver_installer/process_installer.h"
#include "driver_installer/qinst.h"
#include "platform/setup/linux_setup.h"
#include "tools/voxctl/command_error.h"
#include "tools/voxctl/commands.h"

namespace vox::voxctl {

namespace {

constexpr int kRecorderDeviceType = 3;

struct SetupDriverOptions {
    bool dryRun = false;
    std::string inf = qinst::packagedInfPath();
    std::string root = "/";
};

// Points the installer's exports at the Linux services for one command and
// back at their default afterwards.
class InstallerServices {
  public:
    explicit InstallerServices(const SetupDriverOptions& options) {
        setup::LinuxSetupOptions services;
        services.root = options.root;
        services.dryRun = options.dryRun;
        services.report = [](const std::string& line) { std::cout << line << std::endl; };
        qinst::useSetupServices(std::make_shared<setup::LinuxSetup>(services));
    }
    ~InstallerServices() { qinst::useSetupServices(nullptr); }
    InstallerServices(const InstallerServices&) = delete;
    InstallerServices& operator=(const InstallerServices&) = delete;
};

void setupDriver(const SetupDriverOptions& options) {
    if (!options.dryRun && geteuid() != 0)
        throw CommandError(
            kExitUsage,
            "setup-driver writes to the udev rules folder and reloads udev, so it needs root: "
            "run it as \"sudo voxctl setup-driver\" (add --dry-run to see what it would do)");
    const InstallerServices services(options);
    if (CheckForInProgressInstallations() != 0)
        throw CommandError(kExitBusy,
                           "udev is still handling device events; try again once it has settled");
    if (InstallZIRDevice(options.inf.c_str(), kRecorderDeviceType, nullptr) != 1)
        throw CommandError(kExitPcFile,
                           "the driver package in " + options.inf + " was not installed");
    std::cout << (options.dryRun
                      ? "dry run: nothing was changed"
                      : "driver package installed: the recorder is open to the user at the seat")
              << std::endl;
}

}  // namespace

void addSetupCommands(CLI::App& app) {
    auto options = std::make_shared<SetupDriverOptions>();
    CLI::App* command = app.add_subcommand(
        "setup-driver",
        "Install the recorder's udev rule so that it opens without root (run once, as root)");
    command->add_flag("--dry-run", options->dryRun, "Only print what would be installed and run");
    // The default is shown in words: its path depends on where voxctl runs from.
    command->add_option("--inf", options->inf,
                        "INF file of the driver package (default: the one installed with voxctl)");
    command->add_option("--root", options->root, "Root folder of the system to set up")
        ->capture_default_str();
    command->callback([options] { setupDriver(*options); });
}

}  // namespace vox::voxctl
