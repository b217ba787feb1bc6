// The steps of an install on Windows 98, ME, 2000 and XP.

#include <algorithm>
#include <array>

#include "driver_installer/device_types.h"
#include "driver_installer/installer.h"
#include "driver_installer/qinst.h"
#include "platform/setup/ascii_case.h"

namespace vox::qinst {

using setup::asciiUpper;
using setup::equalsIgnoringCase;

namespace {

// An ME device whose install was left half done carries this flag in its
// Enum key; setup does not finish such an install by itself.
constexpr std::uint32_t kMeHalfInstalledFlags = 0x20000;

// The driver database Windows 98 and ME rebuild from the "inf" folder when
// these files are missing.
constexpr std::array<const char*, 2> kDriverDatabaseFiles = {"drvidx.bin", "drvdata.bin"};

}  // namespace

void Installer::removeFailedEarlierInstalls() {
    const auto set = services_.devices(setup::DeviceQuery{"", true});
    if (!set) return;
    const std::string vendorWord(kEarlierInstallVendorWord);
    for (const setup::DeviceRecord& device : *set) {
        const bool ours = device.description &&
                          asciiUpper(*device.description).find(vendorWord) != std::string::npos;
        if (ours && device.configFlags.value_or(0) != 0) {
            // The driver key is found through the device's Enum key, so it
            // goes first.
            services_.deleteDriverKey(device.instanceId);
            services_.removeDevice(device.instanceId);
        }
    }
}

bool Installer::placePackage(const std::string& infPath) {
    if (isWindows9x()) {
        return services_.copyFile(infPath, services_.windowsInfFolder()) &&
               services_.installSectionFiles(infPath, std::string(kInstallSection), true);
    }
    switch (services_.copyOemInf(infPath, setup::OemInfMode::NoOverwrite)) {
        case setup::OemInfResult::Copied:
            return true;
        case setup::OemInfResult::AlreadyPresent:
            return services_.copyOemInf(infPath, setup::OemInfMode::ReplaceOnly) ==
                   setup::OemInfResult::Copied;
        case setup::OemInfResult::Failed:
            return false;
    }
    return false;
}

bool Installer::checkEarlierInstall(const std::string& hardwareId) {
    const std::string key =
        (isWindowsNt() ? "SYSTEM\\CurrentControlSet\\Enum\\" : "Enum\\") + hardwareId;
    const auto instances = services_.subkeys(key);
    if (!instances || instances->empty()) return false;
    bool damaged = false;
    for (const std::string& instance : *instances) {
        const std::string path = key + "\\" + instance;
        const auto deviceClass = services_.stringValue(path, "Class");
        if (!deviceClass || !equalsIgnoringCase(*deviceClass, "USB")) damaged = true;
        if (!services_.stringValue(path, "Driver")) damaged = true;
        if (platform_ == kPlatformWindowsMe &&
            services_.dwordValue(path, "ConfigFlags") == kMeHalfInstalledFlags) {
            services_.setDwordValue(path, "ConfigFlags", 0);
            damaged = true;
        }
    }
    if (!damaged || !isWindows9x()) return true;
    removeInstallOf(hardwareId);
    return false;
}

void Installer::removeInstallOf(const std::string& hardwareId) {
    const auto registered = services_.devices(setup::DeviceQuery{"", false});
    if (!registered) return;
    const std::string prefix = asciiUpper(hardwareId) + "\\";
    for (const setup::DeviceRecord& device : *registered) {
        if (!asciiUpper(device.instanceId).starts_with(prefix)) continue;
        services_.deleteDriverKey(device.instanceId);
        services_.removeDevice(device.instanceId);
    }
}

void Installer::deleteDriverDatabase() {
    const std::string folder = services_.windowsInfFolder();
    // Either file may be missing already; that is the state wanted.
    for (const char* name : kDriverDatabaseFiles) services_.deleteFile(folder + "\\" + name);
}

int Installer::installPluggedDevice(const std::string& infPath, const std::string& hardwareId,
                                    messages::WindowHandle parent) {
    if (isWindows9x()) return installPlugged9x(infPath, hardwareId);
    const auto update = services_.updateDriverForPlugAndPlayDevices(parent, hardwareId, infPath, 0);
    // Without the driver-update library the INF is registered all the same
    // and the device takes the driver when it is next enumerated.
    if (update.call != setup::OptionalCall::Called) return 1;
    return update.updated ? 1 : 0;
}

int Installer::installPlugged9x(const std::string& infPath, const std::string& hardwareId) {
    const auto device = presentDeviceWith(hardwareId, "USB");
    if (!device) return 0;
    const std::string& id = device->instanceId;
    if (!services_.selectDevice(id) || !services_.useSingleInf(id, infPath)) return 0;
    const auto drivers = services_.compatibleDrivers(id);
    if (!drivers) return 0;
    const auto match =
        std::find_if(drivers->begin(), drivers->end(), [&](const setup::DriverCandidate& driver) {
            return equalsIgnoringCase(driver.hardwareId, hardwareId);
        });
    if (match == drivers->end() ||
        !services_.selectDriver(id, static_cast<std::size_t>(match - drivers->begin())))
        return 0;
    return services_.installDevice(id) ? 1 : 0;
}

bool Installer::prepareUnpluggedDevice(const std::string& infPath, bool hadEarlierInstall) {
    if (isWindowsNt())
        return services_.installSectionFiles(infPath, std::string(kInstallSection), false);
    if (platform_ == kPlatformWindows98 && hadEarlierInstall) deleteDriverDatabase();
    return true;
}

void Installer::reenumerateRootHubs() {
    const auto ids = services_.enumeratorDeviceIds("USB");
    if (!ids) return;
    for (const std::string& id : *ids) {
        if (asciiUpper(id).find("ROOT_HUB") == std::string::npos) continue;
        if (const auto node = services_.locateDevNode(id)) services_.reenumerateDevNode(*node);
    }
}

}  // namespace vox::qinst
