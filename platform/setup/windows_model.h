#pragma once
// An in-memory Windows machine for the installer's tests: one of Windows 95,
// 98, ME, NT 4, 2000 or XP, with devices (present or only registered), the
// registry's Enum and driver keys, the Windows folders with their files, INF
// files, the OEM INF store, pending installs and the run-time libraries.
//
// Every call through SetupServices is appended to log() as the Windows call
// it stands for followed by its arguments, e.g.
// "SetupCopyOEMInfA C:\SETUP\VXR250.INF NOOVERWRITE". A call named with
// failOn() fails without any effect (still logged).

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/setup/registry_tree.h"
#include "platform/setup/setup_services.h"

namespace vox::setup {

class WindowsModel final : public SetupServices {
  public:
    enum class Edition { Windows95, Windows98, WindowsMe, WindowsNt4, Windows2000, WindowsXp };

    struct Device {
        std::string instanceId;
        std::vector<std::string> hardwareIds;
        std::optional<std::string> description;
        std::optional<std::uint32_t> configFlags;
        std::string className = "USB";
        bool present = true;
    };

    // What setup reads from an INF file: the files each install section
    // copies and the hardware IDs its models line names.
    struct Inf {
        std::string path;
        std::map<std::string, std::vector<std::string>> sectionFiles;
        std::vector<std::string> hardwareIds;
        std::string deviceDescription;
    };

    explicit WindowsModel(Edition edition);

    // Machine contents.
    void addDevice(Device device);  // also creates its Enum key
    void unplug(const std::string& instanceId);
    const Device* device(const std::string& instanceId) const;
    void addFile(const std::string& path, std::string content, std::uint64_t stamp = 1);
    void addInf(Inf inf, std::uint64_t stamp = 1);  // the file and what setup reads from it
    bool hasFile(const std::string& path) const;
    std::optional<std::string> fileContent(const std::string& path) const;
    RegistryTree& registry() { return registry_; }

    std::string enumKey(const std::string& instanceId) const;  // the device's key below Enum
    std::string driverKey(const std::string& driver) const;    // a "Driver" value's key
    std::string driversFolder() const;                         // where section files go

    void setSetupApi(bool libraryPresent, bool waitFunctionPresent);
    void setPendingInstalls(bool pending) { pendingInstalls_ = pending; }
    void setNewdev(bool libraryPresent, bool updateFunctionPresent);
    void failOn(const std::string& windowsCall) { failing_.insert(windowsCall); }

    const std::vector<std::string>& log() const { return log_; }
    bool logged(const std::string& entry) const;

    // SetupServices
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
    struct File {
        std::string content;
        std::uint64_t stamp = 0;
    };
    struct Node {
        DevNode number = 0;
        Device device;
        std::string singleInf;                    // set by useSingleInf
        std::vector<DriverCandidate> candidates;  // built by compatibleDrivers
        std::optional<std::size_t> selectedDriver;
    };

    bool isNt() const;
    // Logs the call and tells whether it is to fail.
    bool call(const std::string& entry, const std::string& windowsCall);
    Node* node(const std::string& instanceId);
    const Inf* inf(const std::string& path) const;
    void bindDriver(Node& node, const std::string& description);

    Edition edition_;
    std::vector<Node> nodes_;
    DevNode nextDevNode_ = 1;
    unsigned nextDriverIndex_ = 0;
    RegistryTree registry_;
    std::map<std::string, File> files_;           // by upper-case path
    std::map<std::string, Inf> infs_;             // by upper-case path
    std::map<std::string, std::string> oemInfs_;  // upper-case source name -> oemN.inf path
    std::string selectedDevice_;
    bool setupApiPresent_ = true;
    bool waitFunctionPresent_ = true;
    bool pendingInstalls_ = false;
    bool newdevPresent_ = true;
    bool updateFunctionPresent_ = true;
    std::set<std::string> failing_;
    std::vector<std::string> log_;
};

}  // namespace vox::setup
