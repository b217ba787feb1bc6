// The process-wide installer behind the Qinst exports, and where the driver
// package that came with the libraries lies.

#include "driver_installer/process_installer.h"

#include <dlfcn.h>

#include <filesystem>
#include <mutex>

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

}  // namespace

HeldInstaller holdProcessInstaller() {
    std::unique_lock lock(processLock);
    if (!processInstaller)
        processInstaller =
            std::make_unique<ProcessInstaller>(std::make_shared<setup::LinuxSetup>());
    return {std::move(lock), processInstaller->installer};
}

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
