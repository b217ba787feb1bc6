// The flat exports: thin wrappers over one process-wide Installer. None lets
// an exception out; any failure inside answers 0.

#include <dlfcn.h>

#include <filesystem>
#include <memory>
#include <mutex>

#include "driver_installer/installer.h"
#include "driver_installer/process_installer.h"
#include "driver_installer/qinst.h"
#include "platform/setup/linux_setup.h"

namespace vox::qinst {

namespace {

struct ProcessInstaller {
    explicit ProcessInstaller(std::shared_ptr<setup::SetupServices> chosen)
        : services(std::move(chosen)), installer(*services) {}
    std::shared_ptr<setup::SetupServices> services;
    Installer installer;
};

std::mutex processLock;
std::unique_ptr<ProcessInstaller> processInstaller;

template <class Call>
int withInstaller(Call call) noexcept {
    try {
        std::lock_guard lock(processLock);
        if (!processInstaller)
            processInstaller =
                std::make_unique<ProcessInstaller>(std::make_shared<setup::LinuxSetup>());
        return call(processInstaller->installer) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

}  // namespace

void useSetupServices(std::shared_ptr<setup::SetupServices> services) {
    std::lock_guard lock(processLock);
    processInstaller = services ? std::make_unique<ProcessInstaller>(std::move(services)) : nullptr;
}

// An installed library finds the package at a fixed place relative to its own
// file; a library run from the build tree takes the copy made beside it there.
std::string packagedInfPath() {
#ifdef VOX_QINST_INSTALLED_PACKAGE
    Dl_info self{};
    if (dladdr(reinterpret_cast<const void*>(&packagedInfPath), &self) != 0 &&
        self.dli_fname != nullptr) {
        const std::filesystem::path installed =
            std::filesystem::path(self.dli_fname).parent_path() / VOX_QINST_INSTALLED_PACKAGE /
            "vxr250.inf";
        std::error_code error;
        if (std::filesystem::is_regular_file(installed, error))
            return installed.lexically_normal().string();
    }
#endif
    return VOX_QINST_PACKAGE_INF;
}

}  // namespace vox::qinst

using vox::qinst::Installer;

extern "C" int InstallZIRDevice(const char* infPath, int deviceType,
                                vox::messages::WindowHandle parentWindow) {
    if (infPath == nullptr) return 0;
    return vox::qinst::withInstaller([&](Installer& installer) {
        return installer.install(infPath, deviceType, parentWindow) != 0;
    });
}

extern "C" int FindZIRDevice(int deviceType) {
    return vox::qinst::withInstaller(
        [&](Installer& installer) { return installer.findDevice(deviceType); });
}

extern "C" int IsZIRDevicePlugged(vox::messages::Message message, vox::messages::WParam wParam,
                                  vox::messages::LParam lParam) {
    return vox::qinst::withInstaller(
        [&](Installer& installer) { return installer.isPlugged(message, wParam, lParam); });
}

extern "C" int CheckForInProgressInstallations(void) {
    return vox::qinst::withInstaller(
        [](Installer& installer) { return installer.installsPending(); });
}

extern "C" int CopyHIDDriverFilesFromMasterINF(const char*, const char*) {
    return 0;
}
