#pragma once
// The read-only queries: one level of the recorder's directory, and the
// recorder's status value.

#include "device_library/device_link.h"

namespace vox::devsys {

// Lists `folder` (LIST_FOLDER), or with a null folder the top level of the
// selected store (LIST_STORE). 1 and the whole listing copied out, else 0
// with `out` untouched.
int refreshDevice(DeviceLink& link, DeviceContext* ctx, DeviceListing* out, const char* folder,
                  int store);
// Byte 8 of the STATUS reply; 0 when the lock is taken.
int playerStatus(DeviceLink& link, DeviceContext* ctx);

}  // namespace vox::devsys
