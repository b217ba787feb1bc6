// The flat exports: thin wrappers over the process-wide installer. None lets
// an exception out; any failure inside answers 0.

#include "driver_installer/installer.h"
#include "driver_installer/process_installer.h"
#include "driver_installer/qinst.h"

using vox::qinst::Installer;
using vox::qinst::withProcessInstaller;

extern "C" int InstallZIRDevice(const char* infPath, int deviceType,
                                vox::messages::WindowHandle parentWindow) {
    if (infPath == nullptr) return 0;
    return withProcessInstaller([&](Installer& installer) {
        return installer.install(infPath, deviceType, parentWindow) != 0;
    });
}

extern "C" int FindZIRDevice(int deviceType) {
    return withProcessInstaller(
        [&](Installer& installer) { return installer.findDevice(deviceType); });
}

extern "C" int IsZIRDevicePlugged(vox::messages::Message message, vox::messages::WParam wParam,
                                  vox::messages::LParam lParam) {
    return withProcessInstaller(
        [&](Installer& installer) { return installer.isPlugged(message, wParam, lParam); });
}

extern "C" int CheckForInProgressInstallations(void) {
    return withProcessInstaller([](Installer& installer) { return installer.installsPending(); });
}

extern "C" int CopyHIDDriverFilesFromMasterINF(const char*, const char*) {
    return 0;
}
