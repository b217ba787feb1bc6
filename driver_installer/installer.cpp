#include "driver_installer/installer.h"

#include <algorithm>

#include "driver_installer/device_types.h"
#include "driver_installer/qinst.h"
#include "platform/setup/ascii_case.h"

namespace vox::qinst {

using setup::asciiUpper;
using setup::equalsIgnoringCase;

int Installer::detectPlatform() {
    platform_ = kPlatformUnsupported;
    const auto version = services_.version();
    if (!version) return platform_;
    if (version->platformId == setup::kPlatformWin32Windows &&
        (version->major > 4 || (version->major == 4 && version->minor >= 1))) {
        platform_ = version->minor <= 89 ? kPlatformWindows98 : kPlatformWindowsMe;
    } else if (version->platformId == setup::kPlatformWin32Nt && version->major >= 5) {
        platform_ = version->minor == 0 ? kPlatformWindows2000 : kPlatformWindowsXp;
    } else if (version->platformId == setup::kPlatformLinux) {
        platform_ = kPlatformLinux;
    }
    return platform_;
}

bool Installer::isWindows9x() const {
    return platform_ == kPlatformWindows98 || platform_ == kPlatformWindowsMe;
}

bool Installer::isWindowsNt() const {
    return platform_ == kPlatformWindows2000 || platform_ == kPlatformWindowsXp;
}

bool Installer::installsPending() {
    const auto wait = services_.waitNoPendingInstallEvents(0);
    switch (wait.call) {
        case setup::OptionalCall::LibraryMissing:
            return true;  // cannot tell, so do not install over them
        case setup::OptionalCall::FunctionMissing:
            return false;
        case setup::OptionalCall::Called:
            return wait.result == setup::kWaitTimeout;
    }
    return true;
}

std::optional<setup::DeviceRecord> Installer::presentDeviceWith(const std::string& hardwareId,
                                                                const std::string& className) {
    const auto set = services_.devices(setup::DeviceQuery{className, true});
    if (!set) return std::nullopt;
    for (const setup::DeviceRecord& device : *set) {
        if (std::any_of(device.hardwareIds.begin(), device.hardwareIds.end(),
                        [&](const std::string& id) { return equalsIgnoringCase(id, hardwareId); }))
            return device;
    }
    return std::nullopt;
}

bool Installer::findDevice(int deviceType) {
    const std::string_view hardwareId = hardwareIdOf(deviceType);
    return !hardwareId.empty() && presentDeviceWith(std::string(hardwareId), "").has_value();
}

bool Installer::anyKnownDevicePresent() {
    return std::any_of(kDeviceTypes.begin(), kDeviceTypes.end(),
                       [&](int type) { return findDevice(type); });
}

bool Installer::devNodeIsKnownDevice(messages::LParam broadcast) {
    if (broadcast == 0) return false;
    const auto* header = reinterpret_cast<const DevBroadcastDevNode*>(broadcast);
    // The type and size come first in every broadcast record; the device
    // node is read only when the record says it is there.
    if (header->deviceType != kDeviceTypeDevNode || header->size < sizeof(DevBroadcastDevNode))
        return false;
    const auto deviceId = services_.deviceIdOf(header->devNode);
    if (!deviceId) return false;
    const std::string upper = asciiUpper(*deviceId);
    return std::any_of(kDeviceTypes.begin(), kDeviceTypes.end(), [&](int type) {
        const std::string_view hardwareId = hardwareIdOf(type);
        return !hardwareId.empty() && upper.find(asciiUpper(hardwareId)) != std::string::npos;
    });
}

bool Installer::isPlugged(messages::Message message, messages::WParam wParam,
                          messages::LParam lParam) {
    if (message != kWmDeviceChange) return false;
    detectPlatform();
    if (isWindows9x()) return wParam == kDeviceArrival && devNodeIsKnownDevice(lParam);
    if (isWindowsNt() || platform_ == kPlatformLinux) return anyKnownDevicePresent();
    return false;
}

int Installer::install(const std::string& infPath, int deviceType, messages::WindowHandle parent) {
    if (installsPending()) return 0;
    if (detectPlatform() == kPlatformUnsupported) return 0;
    if (isWindows9x()) removeFailedEarlierInstalls();
    // A type without a hardware ID is refused here: searching the Enum key
    // for an empty ID would take every device on the machine for an earlier
    // install of this one.
    const std::string hardwareId(hardwareIdOf(deviceType));
    if (hardwareId.empty()) return 0;
    if (platform_ == kPlatformLinux) return installOnLinux(infPath);
    return installOnWindows(infPath, hardwareId, parent);
}

int Installer::installOnLinux(const std::string& infPath) {
    if (!services_.installSectionFiles(infPath, std::string(kInstallSection), false)) return 0;
    // The rule only takes effect once udev has reloaded its rules, and for
    // a recorder already plugged in, once its device events run again.
    return services_.reloadDeviceRules() && services_.triggerUsbDevices() ? 1 : 0;
}

int Installer::installOnWindows(const std::string& infPath, const std::string& hardwareId,
                                messages::WindowHandle parent) {
    if (!placePackage(infPath)) return 0;
    const bool hadEarlierInstall = checkEarlierInstall(hardwareId);
    if (!hadEarlierInstall && isWindows9x()) deleteDriverDatabase();
    if (presentDeviceWith(hardwareId, "").has_value())
        return installPluggedDevice(infPath, hardwareId, parent);
    if (!prepareUnpluggedDevice(infPath, hadEarlierInstall)) return 0;
    reenumerateRootHubs();
    return 1;
}

}  // namespace vox::qinst
