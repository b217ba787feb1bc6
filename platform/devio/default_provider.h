#pragma once
// The provider a process gets when none was installed.

#include <memory>

#include "platform/devio/devio.h"

namespace vox::devio {

std::shared_ptr<Provider> makeDefaultProvider();

}  // namespace vox::devio
