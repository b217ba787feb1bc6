#pragma once
// The process-wide installer behind the Qinst exports. It works over the
// Linux setup services rooted at "/" unless a caller (a test, or voxctl for
// a dry run or a staging root) hands it other services.

#include <memory>
#include <mutex>
#include <string>

#include "driver_installer/installer.h"
#include "platform/setup/setup_services.h"

namespace vox::qinst {

// The process's installer, made on first use, held by one caller at a time.
struct HeldInstaller {
    std::unique_lock<std::mutex> lock;
    Installer& installer;
};
HeldInstaller holdProcessInstaller();

// Runs `call` on the process's installer: 1 when it answers true, 0 when it
// answers false or anything throws.
template <class Call>
int withProcessInstaller(Call call) noexcept {
    try {
        HeldInstaller held = holdProcessInstaller();
        return call(held.installer) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

// Replaces the services the exports use; nullptr restores the default.
void useSetupServices(std::shared_ptr<setup::SetupServices> services);

// The INF of the driver package that came with this library: the installed
// copy when the library is installed, else the one in the build tree.
std::string packagedInfPath();

}  // namespace vox::qinst
