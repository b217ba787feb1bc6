#include "platform/devio/devio.h"

#include <mutex>

namespace vox::devio {
namespace {

class EmptyProvider final : public Provider {
  public:
    std::vector<std::string> presentInterfaces(const InterfaceClass&) override { return {}; }
    std::unique_ptr<DeviceFile> open(const std::string&, std::uint32_t& error) override {
        error = kErrorFileNotFound;
        return nullptr;
    }
};

struct Registry {
    std::mutex mutex;
    std::shared_ptr<Provider> current;
    ProviderFactory makeDefault;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

}  // namespace

Provider& provider() {
    Registry& providers = registry();
    std::lock_guard lock(providers.mutex);
    if (!providers.current) {
        providers.current = providers.makeDefault ? providers.makeDefault() : nullptr;
        if (!providers.current) providers.current = makeEmptyProvider();
    }
    return *providers.current;
}

std::shared_ptr<Provider> installProvider(std::shared_ptr<Provider> next) {
    Registry& providers = registry();
    std::lock_guard lock(providers.mutex);
    std::swap(providers.current, next);
    return next;
}

void setDefaultProviderFactory(ProviderFactory factory) {
    Registry& providers = registry();
    std::lock_guard lock(providers.mutex);
    providers.makeDefault = std::move(factory);
}

void offerDefaultProviderFactory(ProviderFactory factory) {
    Registry& providers = registry();
    std::lock_guard lock(providers.mutex);
    if (!providers.makeDefault) providers.makeDefault = std::move(factory);
}

std::shared_ptr<Provider> makeEmptyProvider() {
    return std::make_shared<EmptyProvider>();
}

}  // namespace vox::devio
