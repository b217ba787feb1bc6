#pragma once
// voxctl's command groups. Each adds its subcommands, with their options and
// callbacks, to the application; main() only builds the application and
// runs it. A new group is one more file and one more line in main().

namespace CLI {
class App;
}

namespace vox::voxctl {

void addDeviceCommands(CLI::App& app);      // info, status, ls, format
void addTransferCommands(CLI::App& app);    // put, get
void addFileCommands(CLI::App& app);        // rm, up, down, rename, mkdir, rmdir
void addSimulatorCommands(CLI::App& app);   // sim create
void addSetupCommands(CLI::App& app);       // setup-driver
void addConversionCommands(CLI::App& app);  // encode, decode
void addImportCommand(CLI::App& app);       // import
void addOrderCommands(CLI::App& app);       // order, sort
void addDoctorCommand(CLI::App& app);       // doctor
void addMountCommands(CLI::App& app);       // mount, unmount (built with libfuse3)

}  // namespace vox::voxctl
