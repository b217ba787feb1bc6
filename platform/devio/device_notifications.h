#pragma once
// Device-change notices, as the Windows code gets WM_DEVICECHANGE: whenever
// a recorder arrives or leaves (a model attached to or detached from the
// direct provider, a hot plug or unplug on a USB bus), every subscriber is
// called with kDeviceNodesChanged. A notice says only "something changed";
// subscribers look again (interface search, identify) to learn what.
//
// Callbacks run on the thread that noticed the change (a test thread, a
// bus's hub thread), never while the registry's lock is held, so a callback
// may subscribe, unsubscribe or post to a window freely. It must not block
// for long: the bus waits for it before it goes on with the next change.
//
// Kept header-only so that every library of the process shares the one
// registry without a link dependency (the functions are inline, their
// static state exists once per process).

#include <functional>
#include <map>
#include <mutex>
#include <vector>

namespace vox::devio {

// DBT_DEVNODES_CHANGED, the event number of a device-nodes-changed notice.
constexpr unsigned kDeviceNodesChanged = 7;

using DeviceChangeCallback = std::function<void(unsigned event)>;

namespace detail {

struct DeviceChangeRegistry {
    std::mutex mutex;
    int nextId = 1;
    std::map<int, DeviceChangeCallback> callbacks;
};

inline DeviceChangeRegistry& deviceChangeRegistry() {
    static DeviceChangeRegistry registry;
    return registry;
}

}  // namespace detail

// Returns an id for unsubscribeDeviceChanges (always > 0).
inline int subscribeDeviceChanges(DeviceChangeCallback callback) {
    auto& registry = detail::deviceChangeRegistry();
    std::lock_guard lock(registry.mutex);
    const int id = registry.nextId++;
    registry.callbacks.emplace(id, std::move(callback));
    return id;
}

// Unknown ids are ignored. A callback already running on another thread
// may still finish after this returns.
inline void unsubscribeDeviceChanges(int id) {
    auto& registry = detail::deviceChangeRegistry();
    std::lock_guard lock(registry.mutex);
    registry.callbacks.erase(id);
}

// Called by whoever notices an arrival or removal.
inline void notifyDeviceChanges(unsigned event = kDeviceNodesChanged) {
    auto& registry = detail::deviceChangeRegistry();
    std::vector<DeviceChangeCallback> current;
    {
        std::lock_guard lock(registry.mutex);
        current.reserve(registry.callbacks.size());
        for (const auto& entry : registry.callbacks) current.push_back(entry.second);
    }
    for (const auto& callback : current) callback(event);
}

}  // namespace vox::devio
