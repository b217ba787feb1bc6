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

#include <functional>

namespace vox::devio {

// DBT_DEVNODES_CHANGED, the event number of a device-nodes-changed notice.
constexpr unsigned kDeviceNodesChanged = 7;

using DeviceChangeCallback = std::function<void(unsigned event)>;

// Returns an id for unsubscribeDeviceChanges (always > 0).
int subscribeDeviceChanges(DeviceChangeCallback callback);

// Unknown ids are ignored. A callback already running on another thread
// may still finish after this returns.
void unsubscribeDeviceChanges(int id);

// Called by whoever notices an arrival or removal.
void notifyDeviceChanges(unsigned event = kDeviceNodesChanged);

}  // namespace vox::devio
