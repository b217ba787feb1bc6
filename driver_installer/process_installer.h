#pragma once
// The process-wide installer behind the Qinst exports. It works over the
// Linux setup services rooted at "/" unless a caller (a test, or voxctl for
// a dry run or a staging root) hands it other services.

#include <memory>
#include <string>

#include "platform/setup/setup_services.h"

namespace vox::qinst {

// Replaces the services the exports use; nullptr restores the default.
void useSetupServices(std::shared_ptr<setup::SetupServices> services);

// The INF of the driver package that came with this library: the installed
// copy when the library is installed, else the one in the build tree.
std::string packagedInfPath();

}  // namespace vox::qinst
