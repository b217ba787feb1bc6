#pragma once
// The VXR250 driver as its host sees it: the entry point the kernel layer
// calls, and a handle that keeps the driver loaded.

#include "platform/kernel/wdm.h"

extern "C" vox::kernel::NTSTATUS DriverEntry(vox::kernel::DRIVER_OBJECT* driver,
                                             vox::kernel::UNICODE_STRING* registryPath);

namespace vox::vxr250 {

// Loads the driver for as long as the object lives (the kernel shares one
// load between all holders). object() is null when the entry failed.
class DriverLoad {
  public:
    DriverLoad();
    ~DriverLoad();
    DriverLoad(const DriverLoad&) = delete;
    DriverLoad& operator=(const DriverLoad&) = delete;

    vox::kernel::DRIVER_OBJECT* object() const { return driver_; }
    vox::kernel::NTSTATUS status() const { return status_; }

  private:
    vox::kernel::DRIVER_OBJECT* driver_ = nullptr;
    vox::kernel::NTSTATUS status_ = 0;
};

}  // namespace vox::vxr250
