#pragma once
// The device access library's calls the document and the recorder listing
// make, as a table, so that both can be driven by a scripted recorder.

#include "device_library/qvdevsys.h"

namespace vox::app {

struct DeviceApi {
    int (*createDev)(DeviceContext** out);
    int (*destroyDev)(DeviceContext* link);
    int (*checkDevice)(DeviceContext* link);
    int (*isUsed)(DeviceContext* link);
    int (*refreshDevice)(DeviceContext* link, DeviceListing* out, const char* folder, int reserved,
                         int store);
};

// The library's own exports.
inline DeviceApi libraryDeviceApi() {
    return {CreateDev, DestroyDev, QVCheckDevice, QVIsUsed, QVRefreshDevice};
}

}  // namespace vox::app
