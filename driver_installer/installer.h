#pragma once
// The driver installer over the setup services; the Qinst exports wrap one
// process-wide instance of it. Tests build their own over WindowsModel.

#include <optional>
#include <string>

#include "platform/messages/message_target.h"
#include "platform/setup/setup_services.h"

namespace vox::qinst {

class Installer {
  public:
    explicit Installer(setup::SetupServices& services) : services_(services) {}

    // InstallZIRDevice.
    int install(const std::string& infPath, int deviceType, messages::WindowHandle parent);
    // FindZIRDevice.
    bool findDevice(int deviceType);
    // IsZIRDevicePlugged.
    bool isPlugged(messages::Message message, messages::WParam wParam, messages::LParam lParam);
    // CheckForInProgressInstallations.
    bool installsPending();

    // The platform code last worked out (see qinst.h).
    int platformCode() const { return platform_; }

  private:
    int detectPlatform();
    bool isWindows9x() const;
    bool isWindowsNt() const;
    std::optional<setup::DeviceRecord> presentDeviceWith(const std::string& hardwareId,
                                                         const std::string& className);
    bool anyKnownDevicePresent();
    bool devNodeIsKnownDevice(messages::LParam broadcast);

    int installOnLinux(const std::string& infPath);
    int installOnWindows(const std::string& infPath, const std::string& hardwareId,
                         messages::WindowHandle parent);

    // The Windows steps, in the order an install takes them.
    void removeFailedEarlierInstalls();
    bool placePackage(const std::string& infPath);
    bool checkEarlierInstall(const std::string& hardwareId);
    void removeInstallOf(const std::string& hardwareId);
    void deleteDriverDatabase();
    int installPluggedDevice(const std::string& infPath, const std::string& hardwareId,
                             messages::WindowHandle parent);
    int installPlugged9x(const std::string& infPath, const std::string& hardwareId);
    bool prepareUnpluggedDevice(const std::string& infPath, bool hadEarlierInstall);
    void reenumerateRootHubs();

    setup::SetupServices& services_;
    int platform_ = 0;
};

}  // namespace vox::qinst
