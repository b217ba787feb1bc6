#pragma once
// The VXR250 driver as its host sees it: the entry point the kernel layer
// calls, and a handle that keeps the driver loaded.

#include "platform/kernel/io_manager.h"
#include "platform/kernel/wdm.h"

#if defined(__GNUC__)
#define VXR250_API __attribute__((visibility("default")))
#else
#define VXR250_API
#endif

extern "C" VXR250_API vox::kernel::NTSTATUS DriverEntry(vox::kernel::DRIVER_OBJECT* driver,
                                                        vox::kernel::UNICODE_STRING* registryPath);

namespace vox::vxr250 {

// Loads the driver for as long as the object lives (the kernel shares one
// load between all holders). object() is null when the entry failed. Written
// here on the kernel layer's loader, so that a host needs nothing of the
// driver but its entry point.
class DriverLoad {
  public:
    DriverLoad() {
        driver_ = kernel::IoLoadDriver(
            u"\\Driver\\VXR250", &DriverEntry,
            u"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\VXR250", &status_);
    }
    ~DriverLoad() {
        if (driver_ != nullptr) kernel::IoUnloadDriver(driver_);
    }
    DriverLoad(const DriverLoad&) = delete;
    DriverLoad& operator=(const DriverLoad&) = delete;

    vox::kernel::DRIVER_OBJECT* object() const { return driver_; }
    vox::kernel::NTSTATUS status() const { return status_; }

  private:
    vox::kernel::DRIVER_OBJECT* driver_ = nullptr;
    vox::kernel::NTSTATUS status_ = 0;
};

}  // namespace vox::vxr250
