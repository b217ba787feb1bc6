#include "platform/devio/device_notifications.h"

#include <map>
#include <mutex>
#include <vector>

namespace vox::devio {
namespace {

struct DeviceChangeRegistry {
    std::mutex mutex;
    int nextId = 1;
    std::map<int, DeviceChangeCallback> callbacks;
};

DeviceChangeRegistry& deviceChangeRegistry() {
    static DeviceChangeRegistry registry;
    return registry;
}

}  // namespace

int subscribeDeviceChanges(DeviceChangeCallback callback) {
    auto& registry = deviceChangeRegistry();
    std::lock_guard lock(registry.mutex);
    const int id = registry.nextId++;
    registry.callbacks.emplace(id, std::move(callback));
    return id;
}

void unsubscribeDeviceChanges(int id) {
    auto& registry = deviceChangeRegistry();
    std::lock_guard lock(registry.mutex);
    registry.callbacks.erase(id);
}

void notifyDeviceChanges(unsigned event) {
    auto& registry = deviceChangeRegistry();
    std::vector<DeviceChangeCallback> current;
    {
        std::lock_guard lock(registry.mutex);
        current.reserve(registry.callbacks.size());
        for (const auto& entry : registry.callbacks) current.push_back(entry.second);
    }
    for (const auto& callback : current) callback(event);
}

}  // namespace vox::devio
