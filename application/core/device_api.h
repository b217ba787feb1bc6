#pragma once
// The device access library's device-link calls the document makes, as a
// table, so that the device monitor can be driven by a scripted recorder.

#include "device_library/qvdevsys.h"

namespace vox::app {

struct DeviceApi {
    int (*createDev)(DeviceContext** out);
    int (*destroyDev)(DeviceContext* link);
    int (*checkDevice)(DeviceContext* link);
    int (*isUsed)(DeviceContext* link);
};

// The library's own exports.
inline DeviceApi libraryDeviceApi() {
    return {CreateDev, DestroyDev, QVCheckDevice, QVIsUsed};
}

}  // namespace vox::app
