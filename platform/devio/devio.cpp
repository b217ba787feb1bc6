#include "platform/devio/devio.h"

#include <mutex>

#include "platform/devio/default_provider.h"

namespace vox::devio {
namespace {

std::mutex providerMutex;
std::shared_ptr<Provider> current;

}  // namespace

Provider& provider() {
    std::lock_guard lock(providerMutex);
    if (!current) current = makeDefaultProvider();
    return *current;
}

std::shared_ptr<Provider> installProvider(std::shared_ptr<Provider> next) {
    std::lock_guard lock(providerMutex);
    std::swap(current, next);
    return next;
}

}  // namespace vox::devio
