#pragma once
// The setup services on Linux, all below a root folder ("/" normally, a
// temporary folder in tests, a staging folder when packaging):
//
// - present devices are the USB devices in <root>/sys/bus/usb/devices, each
//   with the hardware IDs "USB\VID_%04X&PID_%04X&REV_%04X" and
//   "USB\VID_%04X&PID_%04X" from its idVendor, idProduct and bcdDevice;
// - an install is pending while udev's event queue is not empty, which
//   udevd shows by the file <root>/run/udev/queue (the file "udevadm settle"
//   waits on; reading it needs no process and no privilege). Without
//   <root>/run/udev udev is not running, so nothing can be pending;
// - the driver package is the files an INF install section copies, placed
//   into the udev rules folder <root>/etc/udev/rules.d; udev then reloads its
//   rules and re-triggers the USB devices, through a command runner.
//
// Linux has no registry, OEM INF store, configuration manager or
// driver-update library: those keys and values are absent and those calls
// fail.
//
// In a dry run nothing is written and no command runs; the report callback
// hears each file that would be installed and each command that would run
// (in a real run, each that was).

#include <filesystem>
#include <functional>
#include <string>

#include "platform/setup/command_runner.h"
#include "platform/setup/setup_services.h"

namespace vox::setup {

struct LinuxSetupOptions {
    std::filesystem::path root = "/";
    CommandRunner runCommand = vox::setup::runCommand;
    bool dryRun = false;
    std::function<void(const std::string&)> report;
};

class LinuxSetup final : public SetupServices {
  public:
    explicit LinuxSetup(LinuxSetupOptions options = {});

    std::filesystem::path rulesFolder() const;

    std::optional<OsVersion> version() override;
    std::optional<std::vector<DeviceRecord>> devices(const DeviceQuery& query) override;
    bool removeDevice(const std::string& instanceId) override;
    bool deleteDriverKey(const std::string& instanceId) override;
    bool selectDevice(const std::string& instanceId) override;
    bool useSingleInf(const std::string& instanceId, const std::string& infPath) override;
    std::optional<std::vector<DriverCandidate>> compatibleDrivers(
        const std::string& instanceId) override;
    bool selectDriver(const std::string& instanceId, std::size_t candidate) override;
    bool installDevice(const std::string& instanceId) override;
    OemInfResult copyOemInf(const std::string& infPath, OemInfMode mode) override;
    bool installSectionFiles(const std::string& infPath, const std::string& section,
                             bool newerOnly) override;
    std::string windowsInfFolder() override;
    bool copyFile(const std::string& source, const std::string& folder) override;
    bool deleteFile(const std::string& path) override;
    std::optional<std::vector<std::string>> subkeys(const std::string& key) override;
    std::optional<std::string> stringValue(const std::string& key,
                                           const std::string& name) override;
    std::optional<std::uint32_t> dwordValue(const std::string& key,
                                            const std::string& name) override;
    bool setDwordValue(const std::string& key, const std::string& name,
                       std::uint32_t value) override;
    std::optional<std::vector<std::string>> enumeratorDeviceIds(
        const std::string& enumerator) override;
    std::optional<DevNode> locateDevNode(const std::string& deviceId) override;
    bool reenumerateDevNode(DevNode node) override;
    std::optional<std::string> deviceIdOf(DevNode node) override;
    WaitOutcome waitNoPendingInstallEvents(std::uint32_t timeoutMs) override;
    UpdateOutcome updateDriverForPlugAndPlayDevices(messages::WindowHandle parent,
                                                    const std::string& hardwareId,
                                                    const std::string& infPath,
                                                    std::uint32_t flags) override;
    bool reloadDeviceRules() override;
    bool triggerUsbDevices() override;

  private:
    bool run(const std::vector<std::string>& argv);
    bool installFile(const std::filesystem::path& source, const std::filesystem::path& target,
                     bool newerOnly);
    void tell(const std::string& line) const;

    LinuxSetupOptions options_;
};

}  // namespace vox::setup
